// The undo history as a pair of stacks under a memory budget. Widget-free: a step is
// whatever the workspace stores, as long as it can tell how many bytes it holds.
//
// Undo and redo both exchange a step's stored version with the workspace's current one,
// so a step is moved between the stacks as it is, and its size may change on the way.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace brimlet {

class TUndoStep {
public:
    virtual ~TUndoStep() = default;
    virtual std::size_t Bytes() const = 0;
};

class TUndoStack {
public:
    explicit TUndoStack(std::size_t budgetBytes) : budget_(budgetBytes) {}

    // Records a new step: the redo branch goes; a step larger than the whole budget clears
    // the history instead (and is not kept); otherwise the oldest steps are dropped until
    // the history fits. False when the step was not kept.
    bool Push(std::string name, std::unique_ptr<TUndoStep> step);

    bool CanUndo() const { return !done_.empty(); }
    bool CanRedo() const { return !undone_.empty(); }
    // Names of the step an undo or a redo would take back or re-apply ("" when none).
    const std::string& UndoName() const;
    const std::string& RedoName() const;

    // The step an undo (redo) works on; after the workspace has exchanged its versions,
    // Undone() (Redone()) moves it to the other stack and brings the history back within
    // its budget.
    TUndoStep* UndoStep() { return done_.empty() ? nullptr : done_.back().step.get(); }
    TUndoStep* RedoStep() { return undone_.empty() ? nullptr : undone_.back().step.get(); }
    void Undone();
    void Redone();

    void Clear();
    std::size_t Bytes() const;
    std::size_t Budget() const { return budget_; }
    std::size_t UndoCount() const { return done_.size(); }
    std::size_t RedoCount() const { return undone_.size(); }

private:
    struct Entry {
        std::string name;
        std::unique_ptr<TUndoStep> step;
    };
    // Oldest undo steps first, then the farthest redo steps, until within the budget.
    void Fit();

    std::size_t budget_;
    std::vector<Entry> done_;    // oldest first
    std::vector<Entry> undone_;  // the next redo last
};

// The history's budget on this machine: a quarter of the physical memory, at most 1 GiB.
std::size_t DefaultHistoryBudget();

}  // namespace brimlet
