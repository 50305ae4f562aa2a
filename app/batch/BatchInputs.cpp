#include "app/batch/BatchInputs.h"

#include "core/codecs/PictureFiles.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

namespace brimlet::batch {

namespace fs = std::filesystem;

namespace {

constexpr const char* kResultSuffix = "-cartoon";

bool IsPictureName(const fs::path& path) {
    return IsKnownDecoderKey(DecoderKey(path.filename().string()));
}

bool IsEarlierResult(const fs::path& path) {
    const std::string stem = ReplaceExtension(path.filename().string(), "");
    return stem.size() >= 8 && stem.compare(stem.size() - 8, 8, kResultSuffix) == 0;
}

// Two names for the same file compare equal once made absolute and tidied.
std::string Identity(const std::string& name) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(name, ec), ec);
    return (ec ? fs::absolute(name).lexically_normal() : p).string();
}

}  // namespace

std::string ResultName(const std::string& input, const std::string& outputFolder,
                       const std::string& extension) {
    const fs::path in(input);
    const std::string name =
        ReplaceExtension(in.filename().string(), "") + kResultSuffix + extension;
    const fs::path folder = outputFolder.empty() ? in.parent_path() : fs::path(outputFolder);
    return (folder / name).string();
}

std::vector<BatchItem> CollectBatchItems(const std::vector<std::string>& inputs,
                                         const std::string& outputFolder,
                                         const std::string& extension, bool overwrite) {
    std::vector<BatchItem> items;
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (fs::is_directory(input, ec)) {
            std::vector<std::string> found;
            fs::recursive_directory_iterator walk(
                input, fs::directory_options::skip_permission_denied, ec);
            for (; !ec && walk != fs::recursive_directory_iterator(); walk.increment(ec)) {
                const fs::directory_entry& entry = *walk;
                std::error_code fileError;
                if (entry.is_regular_file(fileError) && IsPictureName(entry.path()) &&
                    !IsEarlierResult(entry.path()))
                    found.push_back(entry.path().string());
            }
            if (ec) items.push_back({input, "", "cannot read the folder: " + ec.message()});
            std::sort(found.begin(), found.end());
            for (auto& f : found) items.push_back({std::move(f), "", ""});
        } else if (!fs::exists(input, ec)) {
            items.push_back({input, "", "no such file or folder"});
        } else {
            items.push_back({input, "", ""});
        }
    }

    std::map<std::string, std::string> claimed;  // result file -> the photo it is made from
    for (BatchItem& item : items) {
        if (!item.problem.empty()) continue;
        item.output = ResultName(item.input, outputFolder, extension);
        const std::string id = Identity(item.output);
        if (const auto it = claimed.find(id); it != claimed.end()) {
            item.problem = "its result " + item.output + " would replace that of " + it->second;
        } else if (std::error_code ec; !overwrite && fs::exists(item.output, ec)) {
            item.problem = item.output + " already exists (--overwrite replaces it)";
        } else {
            claimed.emplace(id, item.input);
            continue;
        }
        item.output.clear();
    }
    return items;
}

}  // namespace brimlet::batch
