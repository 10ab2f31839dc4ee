#include "session/history.h"

namespace vonnik {

namespace {

std::uint64_t PictureBytes(const PictureWithAlpha& p) {
    return p.colours.Pixels().size_bytes() + p.alpha.size();
}

std::uint64_t PictureBytes(const std::optional<ProjectPicture>& p) {
    return p ? PictureBytes(p->Picture) + p->Name.size() : 0;
}

std::uint64_t PoseBytes(const std::optional<ProjectPose>& pose) {
    return pose && pose->Positions ? pose->Positions->Count() * 6 * sizeof(double) : 0;
}

template <typename T>
std::uint64_t ArrayBytes(const T& values) {
    return values.size() * sizeof(typename T::value_type);
}

}  // namespace

std::uint64_t ModelBytes(const ModelGrid& g) {
    std::uint64_t bytes = 0;
    for (const GridArray<double>* a :
         {&g.FrontX, &g.FrontY, &g.FrontZ, &g.BackX, &g.BackY, &g.BackZ, &g.EdgeDistance,
          &g.LocalRadius, &g.TextureX, &g.TextureY})
        bytes += ArrayBytes(a->Values());
    bytes += ArrayBytes(g.NearestOutline.Values()) + ArrayBytes(g.VertexState.Values());
    return bytes + ArrayBytes(g.OutlineX) + ArrayBytes(g.OutlineY) + ArrayBytes(g.OutlineRadius);
}

std::uint64_t StepBytes(const HistoryStep& step) {
    const ProjectStep& s = step.Step;
    std::uint64_t bytes = sizeof(HistoryStep) + PoseBytes(s.Pose);
    if (s.Background) bytes += PictureBytes(s.Background->Picture);
    if (s.State) {
        bytes +=
            PictureBytes(s.State->Front) + PictureBytes(s.State->Back) + PoseBytes(s.State->Pose);
    }
    if (const ModelSnapshot* m = step.Model.get()) {
        // Pictures shared with the state or other steps count in full here too.
        bytes += ModelBytes(m->Built.Grid) + m->Built.Front.Pixels().size_bytes() +
                 m->Built.Back.Pixels().size_bytes();
        if (m->Loaded) {
            bytes += m->Loaded->Front.Pixels().size_bytes();
            if (m->Loaded->Back) bytes += m->Loaded->Back->Pixels().size_bytes();
        }
    }
    return bytes;
}

void UndoHistory::Push(HistoryStep step) {
    for (const HistoryStep& s : redo_) bytes_ -= StepBytes(s);
    redo_.clear();
    PushUndo(std::move(step));
}

void UndoHistory::PushUndo(HistoryStep step) {
    PushOnto(undo_, std::move(step));
}

void UndoHistory::PushRedo(HistoryStep step) {
    PushOnto(redo_, std::move(step));
}

std::optional<HistoryStep> UndoHistory::PopUndo() {
    return PopFrom(undo_);
}

std::optional<HistoryStep> UndoHistory::PopRedo() {
    return PopFrom(redo_);
}

void UndoHistory::PushOnto(std::deque<HistoryStep>& list, HistoryStep step) {
    if (step.Id == 0) step.Id = nextId_++;
    const std::uint64_t bytes = StepBytes(step);
    if (bytes > maxBytes_) {
        // Nothing before this state can be reached any more.
        Clear();
        if (&list == &undo_) baseId_ = step.Id;
        return;
    }
    bytes_ += bytes;
    list.push_back(std::move(step));
    Trim();
}

std::optional<HistoryStep> UndoHistory::PopFrom(std::deque<HistoryStep>& list) {
    if (list.empty()) return std::nullopt;
    HistoryStep step = std::move(list.back());
    list.pop_back();
    bytes_ -= StepBytes(step);
    return step;
}

void UndoHistory::Clear() {
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
}

void UndoHistory::Trim() {
    while (bytes_ > maxBytes_ && !undo_.empty()) {
        bytes_ -= StepBytes(undo_.front());
        baseId_ = undo_.front().Id;
        undo_.pop_front();
    }
    while (bytes_ > maxBytes_ && !redo_.empty()) {
        bytes_ -= StepBytes(redo_.front());
        redo_.pop_front();
    }
}

}  // namespace vonnik
