// Which photos a batch run works on and where each result goes.
#pragma once

#include <string>
#include <vector>

namespace brimlet::batch {

struct BatchItem {
    std::string input;   // the photo
    std::string output;  // the result file; empty when the photo is refused (see problem)
    std::string problem; // why this photo is not worked on, empty when it is
};

// Expands the command line's files and folders (folders recursively, in name order, their
// files with a known picture extension, earlier results "*-cartoon.*" left out) and names
// each result "<name>-cartoon<extension>" in outputFolder (empty: beside the photo). Refused
// up front, each with its reason: a missing input, an existing result without overwrite,
// and a second photo whose result would land on the same file as an earlier one.
std::vector<BatchItem> CollectBatchItems(const std::vector<std::string>& inputs,
                                         const std::string& outputFolder,
                                         const std::string& extension, bool overwrite);

// "<folder>/<name without its extension>-cartoon<extension>".
std::string ResultName(const std::string& input, const std::string& outputFolder,
                       const std::string& extension);

}  // namespace brimlet::batch
