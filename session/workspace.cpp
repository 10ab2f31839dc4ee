#include "session/workspace.h"

#include <algorithm>

#include "core/figure_key.h"
#include "core/file_names.h"
#include "session/session.h"

namespace vonnik {

namespace {

// ViewWidth x ViewHeight as every change of pictures sets it: the background's size when
// one is set, else the front picture's.
void FitView(SharedState& s) {
    const Raster& sizing = s.BackgroundName.empty() ? s.FrontPicture : s.BackgroundPicture;
    s.ViewWidth = sizing.Width();
    s.ViewHeight = sizing.Height();
    s.FrameBuffer.Resize(s.ViewWidth, s.ViewHeight);
}

template <typename A>
std::vector<double> Copied(const A& values) {
    return {values.begin(), values.end()};
}

// The grid's six position arrays with their members of PosePositions.
template <typename Grid, typename Positions, typename Fn>
void ForEachPositionArray(Grid& g, Positions& p, Fn fn) {
    fn(g.FrontX, p.FrontX);
    fn(g.FrontY, p.FrontY);
    fn(g.FrontZ, p.FrontZ);
    fn(g.BackX, p.BackX);
    fn(g.BackY, p.BackY);
    fn(g.BackZ, p.BackZ);
}

ProjectPose CapturePose(const SharedState& s, bool positions) {
    const ViewPose& v = s.View;
    ProjectPose pose;
    pose.ViewAxisA = v.ViewAxisA;
    pose.ViewAxisB = v.ViewAxisB;
    pose.SavedViewAxes[0] = v.SavedViewAxes[0];
    pose.SavedViewAxes[1] = v.SavedViewAxes[1];
    pose.DrawOrder = v.DrawOrder;
    pose.Wireframe = v.Wireframe;
    if (positions && !s.Grid.Empty()) {
        PosePositions p;
        ForEachPositionArray(s.Grid, p, [](const GridArray<double>& a, std::vector<double>& v) {
            v = Copied(a.Values());
        });
        pose.Positions = std::move(p);
    }
    return pose;
}

// Throws unless the pose's positions (if any) are one per vertex of grid.
void CheckPoseFits(const ModelGrid& grid, const ProjectPose& pose, const std::string& path) {
    if (!pose.Positions) return;
    const PosePositions& p = *pose.Positions;
    const std::size_t n = grid.FrontX.Values().size();
    bool fits = true;
    ForEachPositionArray(grid, p, [&](const GridArray<double>&, const std::vector<double>& v) {
        fits = fits && v.size() == n;
    });
    if (!fits)
        throw FileError(path, "the stored pose has " + std::to_string(p.Count()) +
                                  " vertex positions, the model has " + std::to_string(n));
}

// The pose put in place; CheckPoseFits must have passed.
void PutPose(SharedState& s, const ProjectPose& pose) {
    ViewPose& v = s.View;
    v.ViewAxisA = pose.ViewAxisA;
    v.ViewAxisB = pose.ViewAxisB;
    v.SavedViewAxes[0] = pose.SavedViewAxes[0];
    v.SavedViewAxes[1] = pose.SavedViewAxes[1];
    v.DrawOrder = pose.DrawOrder;
    v.Wireframe = pose.Wireframe;
    if (!pose.Positions) return;
    ForEachPositionArray(s.Grid, *pose.Positions,
                         [](GridArray<double>& a, const std::vector<double>& v) {
                             std::copy(v.begin(), v.end(), a.Values().begin());
                         });
}

ProjectLight CaptureLight(const Workspace& ws) {
    const SharedState& s = ws.State;
    return {s.LightPointX,
            s.LightPointY,
            {s.LightX, s.LightY, s.LightZ},
            s.LightAmount,
            ws.Panel.TrackBarPosition,
            ws.Panel.BackLight};
}

void PutLight(SharedState& s, PanelInputs& panel, const ProjectLight& l) {
    s.LightPointX = l.PointX;
    s.LightPointY = l.PointY;
    s.LightX = l.Vector.x;
    s.LightY = l.Vector.y;
    s.LightZ = l.Vector.z;
    s.LightAmount = l.Amount;
    panel.TrackBarPosition = l.TrackBarPosition;
    panel.BackLight = l.BackLight;
}

ProjectBackground CaptureBackground(const SharedState& s) {
    if (s.BackgroundName.empty()) return {};
    return {ProjectPicture{{s.BackgroundPicture, {}}, s.BackgroundName}};
}

void PutBackground(SharedState& s, const ProjectBackground& b) {
    if (b.Picture)
        SetBackground(s, b.Picture->Name, b.Picture->Picture.colours);
    else
        ClearBackground(s);
}

// The state's build inputs with the light panel's values that the build reads.
PanelInputs BuildPanel(const ProjectState& state) {
    PanelInputs panel = state.Panel;
    panel.TrackBarPosition = state.Light.TrackBarPosition;
    panel.BackLight = state.Light.BackLight;
    panel.DoubleSided = state.Back.has_value();
    return panel;
}

// The pictures a session keeps from the pictures of a project. They were stored as the
// session keeps them, figure-keyed; a picture with an alpha channel (from another writer)
// is keyed by the transparency rule.
std::shared_ptr<const LoadedPictures> PicturesOf(const ProjectState& state) {
    if (!state.Front) return nullptr;
    auto p = std::make_shared<LoadedPictures>();
    p->Name = state.Front->Name;
    p->Front = FigurePicture(state.Front->Picture, state.Front->Name, 0);
    p->FrontSource = state.Front->Name;
    if (state.Back) {
        p->Back = FigurePicture(state.Back->Picture, state.Back->Name, 0);
        p->BackSource = state.Back->Name;
    }
    return p;
}

// What a project keeps of the pictures a session keeps.
void PutPictures(ProjectState& state, const std::shared_ptr<const LoadedPictures>& p) {
    state.Front.reset();
    state.Back.reset();
    if (!p) return;
    state.Front = ProjectPicture{{p->Front, {}}, p->Name};
    if (p->Back) state.Back = ProjectPicture{{*p->Back, {}}, FileNameOf(p->BackSource)};
}

BuildSettings ValidSettings(const PanelInputs& panel) {
    const std::optional<BuildSettings> settings = CaptureSettings(panel);
    if (!settings) throw BuildError("invalid input");
    return *settings;
}

// The model of a build step read from a file, built anew.
std::shared_ptr<ModelSnapshot> RebuildModel(const ProjectState& state) {
    auto model = std::make_shared<ModelSnapshot>();
    model->Loaded = PicturesOf(state);
    if (!model->Loaded) return model;
    const PanelInputs panel = BuildPanel(state);
    model->Built = BuildPictures(*model->Loaded, ValidSettings(panel), panel.Holes, {});
    model->PictureName = model->Loaded->Name;
    return model;
}

bool IsPoseKind(StepKind k) {
    return k == StepKind::kDrag || k == StepKind::kResetPose || k == StepKind::kOutlined;
}

ProjectStep CaptureStep(const Workspace& ws, StepKind kind) {
    ProjectStep step;
    step.Kind = kind;
    if (IsPoseKind(kind)) {
        step.Pose = CapturePose(ws.State, kind != StepKind::kOutlined);
    } else if (kind == StepKind::kBackground) {
        step.Background = CaptureBackground(ws.State);
    } else if (kind == StepKind::kBuild) {
        // The pictures stay shared in the step's model (RecordStep, SwapStep).
        step.State = CaptureState(ws);
        step.State->Background = {};  // a build leaves the background as it is
        step.State->Front.reset();
        step.State->Back.reset();
    } else {
        step.Light = CaptureLight(ws);
    }
    return step;
}

// Puts the state of step back into ws and returns the step that leads back to where ws
// was. On an error ws and step are unchanged.
HistoryStep SwapStep(Workspace& ws, HistoryStep& step, const std::string& what) {
    const ProjectStep& s = step.Step;
    SharedState& st = ws.State;
    HistoryStep other;
    other.Id = step.Id;
    if (s.Pose) {
        CheckPoseFits(st.Grid, *s.Pose, what);
        other.Step = CaptureStep(ws, s.Kind);
        PutPose(st, *s.Pose);
    } else if (s.Light) {
        other.Step = CaptureStep(ws, s.Kind);
        PutLight(st, ws.Panel, *s.Light);
    } else if (s.Background) {
        other.Step = CaptureStep(ws, s.Kind);
        PutBackground(st, *s.Background);
    } else if (s.State) {
        const std::shared_ptr<ModelSnapshot> model =
            step.Model ? step.Model : RebuildModel(*s.State);
        CheckPoseFits(model->Built.Grid, s.State->Pose, what);
        other.Step = CaptureStep(ws, s.Kind);
        other.Model = std::make_shared<ModelSnapshot>(ModelSnapshot{
            {std::move(st.Grid), std::move(st.FrontPicture), std::move(st.BackPicture)},
            std::move(st.Loaded),
            std::move(st.PictureName)});
        st.Grid = std::move(model->Built.Grid);
        st.FrontPicture = std::move(model->Built.Front);
        st.BackPicture = std::move(model->Built.Back);
        st.Loaded = std::move(model->Loaded);
        st.PictureName = std::move(model->PictureName);
        step.Model.reset();
        ws.Panel = BuildPanel(*s.State);
        ws.Panel.DoubleSided = st.Loaded && st.Loaded->Back;
        ws.BackgroundTolerance = s.State->BackgroundTolerance;
        PutLight(st, ws.Panel, s.State->Light);
        PutPose(st, s.State->Pose);
        FitView(st);
    }
    return other;
}

}  // namespace

void BuildWork(Workspace& ws, std::shared_ptr<const LoadedPictures> pictures,
               const ProgressFn& progress) {
    ws.Panel.DoubleSided = pictures && pictures->Back.has_value();
    BuildIntoState(ws.State, ws.Panel, std::move(pictures), progress);
}

ProjectState CaptureState(const Workspace& ws) {
    ProjectState s;
    // Pictures loaded for a build that has not run are not part of the state.
    if (!ws.State.Grid.Empty()) PutPictures(s, ws.State.Loaded);
    s.Background = CaptureBackground(ws.State);
    s.Panel = ws.Panel;
    s.Panel.DoubleSided = s.Back.has_value();
    s.BackgroundTolerance = ws.BackgroundTolerance;
    s.Light = CaptureLight(ws);
    s.Pose = CapturePose(ws.State, true);
    return s;
}

void RestoreState(Workspace& ws, const ProjectState& state, const std::string& path,
                  const ProgressFn& progress) {
    SharedState next;
    PutBackground(next, state.Background);
    next.LightPointX = state.Light.PointX;
    next.LightPointY = state.Light.PointY;
    PanelInputs panel = BuildPanel(state);
    if (state.Front) BuildIntoState(next, panel, PicturesOf(state), progress);
    PutLight(next, panel, state.Light);
    CheckPoseFits(next.Grid, state.Pose, path);
    PutPose(next, state.Pose);
    FitView(next);

    // Nothing below throws.
    std::swap(next.LightDiscBuffer, ws.State.LightDiscBuffer);  // the panel's drawing stays
    ws.State = std::move(next);
    ws.Panel = panel;
    ws.BackgroundTolerance = state.BackgroundTolerance;
}

ProjectData CaptureProject(const Workspace& ws) {
    ProjectData p;
    p.State = CaptureState(ws);
    p.Zoom = ws.Zoom;
    p.Export = ws.Export;
    // A build step made in this session keeps its pictures in its model.
    const auto fileStep = [](const HistoryStep& s) {
        ProjectStep step = s.Step;
        if (step.State && s.Model) PutPictures(*step.State, s.Model->Loaded);
        return step;
    };
    for (const HistoryStep& s : ws.History.UndoSteps()) p.Undo.push_back(fileStep(s));
    for (const HistoryStep& s : ws.History.RedoSteps()) p.Redo.push_back(fileStep(s));
    return p;
}

void OpenProject(Workspace& ws, const ProjectData& project, const std::string& path,
                 const ProgressFn& progress) {
    Workspace next;
    next.History = UndoHistory(ws.History.MaxBytes());
    RestoreState(next, project.State, path, progress);
    next.Zoom = project.Zoom;
    next.Export = project.Export;
    for (const ProjectStep& s : project.Undo) next.History.PushUndo({s, nullptr});
    for (const ProjectStep& s : project.Redo) next.History.PushRedo({s, nullptr});
    std::swap(next.State.LightDiscBuffer, ws.State.LightDiscBuffer);
    ws = std::move(next);
    MarkSaved(ws);
}

bool HasUnsavedChanges(const Workspace& ws) {
    return ws.History.ShownId() != ws.SavedId;
}

void MarkSaved(Workspace& ws) {
    ws.SavedId = ws.History.ShownId();
}

void RecordStep(Workspace& ws, StepKind kind) {
    HistoryStep step{CaptureStep(ws, kind), nullptr};
    if (kind == StepKind::kBuild) {
        const SharedState& s = ws.State;
        step.Model = std::make_shared<ModelSnapshot>(
            ModelSnapshot{{s.Grid, s.FrontPicture, s.BackPicture}, s.Loaded, s.PictureName});
    }
    ws.History.Push(std::move(step));
}

void AdoptBuildAsStep(Workspace& ws, const PanelInputs& panel,
                      std::shared_ptr<const LoadedPictures> pictures, BuiltModel built,
                      PoseOnBuild pose) {
    HistoryStep step{CaptureStep(ws, StepKind::kBuild), nullptr};
    SharedState& s = ws.State;
    step.Model = std::make_shared<ModelSnapshot>(
        ModelSnapshot{{std::move(s.Grid), std::move(s.FrontPicture), std::move(s.BackPicture)},
                      s.Loaded,
                      s.PictureName});
    ws.History.Push(std::move(step));
    AdoptBuild(s, panel, std::move(pictures), std::move(built), pose);
    ws.Panel = panel;
}

namespace {

// Undo (from the undo list to the redo list) or redo (the other way).
bool TakeStep(Workspace& ws, bool undo) {
    UndoHistory& h = ws.History;
    std::optional<HistoryStep> step = undo ? h.PopUndo() : h.PopRedo();
    if (!step) return false;
    const auto push = [&h](bool toUndo, HistoryStep s) {
        toUndo ? h.PushUndo(std::move(s)) : h.PushRedo(std::move(s));
    };
    try {
        push(!undo, SwapStep(ws, *step, "the undo history"));
    } catch (...) {
        push(undo, std::move(*step));
        throw;
    }
    return true;
}

}  // namespace

bool Undo(Workspace& ws) {
    return TakeStep(ws, true);
}

bool Redo(Workspace& ws) {
    return TakeStep(ws, false);
}

}  // namespace vonnik
