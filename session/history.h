// The undo history: a bounded list of steps, each holding what restores the state on its
// other side (session/project_file.h, ProjectStep), and for a build also the model itself,
// so that undoing a build swaps models instead of building again.
//
// Memory: every step counts the bytes of the pictures, positions and models it holds; the
// undo and redo lists together hold at most the bound (kHistoryBytes, 256 MiB, unless set
// otherwise). A new step that would pass the bound drops the oldest steps first; a step
// larger than the whole bound is not kept, and the history then starts empty.

#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "builder/model_grid.h"
#include "core/raster.h"
#include "session/project_file.h"
#include "session/session.h"

namespace vonnik {

constexpr std::uint64_t kHistoryBytes = 256ull << 20;

// A model as a build left it, with the pictures it was built from (shared with the state
// and other steps while they are the same pictures) and its caption.
struct ModelSnapshot {
    BuiltModel Built;
    std::shared_ptr<const LoadedPictures> Loaded;
    std::string PictureName;
};

struct HistoryStep {
    // A build step made in this session keeps its pictures in Model, not in Step.State.
    ProjectStep Step;
    // For a build step made in this session: the model of Step.State, ready to be put back.
    // Steps read from a project file have none and are rebuilt when they are undone.
    std::shared_ptr<ModelSnapshot> Model;
    // Names the state on the step's later side; undo and redo keep it with the step. 0: the
    // history gives it one.
    std::uint64_t Id = 0;
};

// Bytes the lattice and outline arrays of a grid hold.
std::uint64_t ModelBytes(const ModelGrid& grid);
// Bytes a step holds (pictures, alpha, positions, model).
std::uint64_t StepBytes(const HistoryStep& step);

class UndoHistory {
  public:
    explicit UndoHistory(std::uint64_t maxBytes = kHistoryBytes) : maxBytes_(maxBytes) {}

    // A new step: the redo list is cleared, and the oldest steps are dropped to keep the
    // bound.
    void Push(HistoryStep step);
    // Moving steps between the lists as undo and redo do, keeping the bound.
    void PushUndo(HistoryStep step);
    void PushRedo(HistoryStep step);
    std::optional<HistoryStep> PopUndo();
    std::optional<HistoryStep> PopRedo();

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    const std::deque<HistoryStep>& UndoSteps() const { return undo_; }  // oldest first
    const std::deque<HistoryStep>& RedoSteps() const { return redo_; }  // next redo last
    // The Id of the state shown: the last undo step's, or the state before the oldest one.
    // Equal Ids are the same state; every new step gives a new one.
    std::uint64_t ShownId() const { return undo_.empty() ? baseId_ : undo_.back().Id; }
    std::uint64_t Bytes() const { return bytes_; }
    std::uint64_t MaxBytes() const { return maxBytes_; }
    void Clear();

  private:
    // Drops the oldest undo steps, then the farthest redo steps, until the bound holds.
    void Trim();
    void PushOnto(std::deque<HistoryStep>& list, HistoryStep step);
    std::optional<HistoryStep> PopFrom(std::deque<HistoryStep>& list);

    std::uint64_t maxBytes_;
    std::uint64_t bytes_ = 0;
    std::uint64_t nextId_ = 1;
    std::uint64_t baseId_ = 0;
    std::deque<HistoryStep> undo_;
    std::deque<HistoryStep> redo_;
};

}  // namespace vonnik
