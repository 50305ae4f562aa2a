#include "workspace/UndoStack.h"

#include <unistd.h>

#include <algorithm>

namespace brimlet {

namespace {
const std::string kNoName;
}

bool TUndoStack::Push(std::string name, std::unique_ptr<TUndoStep> step) {
    undone_.clear();
    if (!step || step->Bytes() > budget_) {
        Clear();
        return false;
    }
    done_.push_back({std::move(name), std::move(step)});
    Fit();
    return true;
}

const std::string& TUndoStack::UndoName() const { return done_.empty() ? kNoName : done_.back().name; }

const std::string& TUndoStack::RedoName() const {
    return undone_.empty() ? kNoName : undone_.back().name;
}

void TUndoStack::Undone() {
    if (done_.empty()) return;
    undone_.push_back(std::move(done_.back()));
    done_.pop_back();
    Fit();
}

void TUndoStack::Redone() {
    if (undone_.empty()) return;
    done_.push_back(std::move(undone_.back()));
    undone_.pop_back();
    Fit();
}

void TUndoStack::Clear() {
    done_.clear();
    undone_.clear();
}

std::size_t TUndoStack::Bytes() const {
    std::size_t total = 0;
    for (const auto* side : {&done_, &undone_})
        for (const Entry& e : *side) total += e.step->Bytes();
    return total;
}

void TUndoStack::Fit() {
    std::size_t total = Bytes();
    while (total > budget_ && !done_.empty()) {
        total -= done_.front().step->Bytes();
        done_.erase(done_.begin());
    }
    while (total > budget_ && !undone_.empty()) {
        total -= undone_.front().step->Bytes();
        undone_.erase(undone_.begin());
    }
}

std::size_t DefaultHistoryBudget() {
    constexpr std::size_t kGiB = std::size_t(1) << 30;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return kGiB;
    return std::min(kGiB, std::size_t(pages) / 4 * std::size_t(pageSize));
}

}  // namespace brimlet
