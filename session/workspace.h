// One piece of work: the shared state with what rebuilding, saving and undoing it need
// beside it (the pictures as loaded, the build's inputs, the zoom and export choices, the
// undo history), and the actions that keep them together.

#pragma once

#include <optional>
#include <string>

#include "builder/build_phases.h"
#include "session/history.h"
#include "session/panel_inputs.h"
#include "session/project_file.h"
#include "session/shared_state.h"

namespace vonnik {

struct Workspace {
    SharedState State;
    // The numbers and switches of the current model's build, and the light amount and back
    // light as the panel holds them.
    PanelInputs Panel;
    int BackgroundTolerance = 0;
    // The pictures of the current model as they were loaded, before the build recoloured
    // its copies; none before the first build. LoadedBack only for a double-sided build.
    std::optional<ProjectPicture> LoadedFront, LoadedBack;
    double Zoom = 1.0;
    MeshExportOptions Export;
    UndoHistory History;
};

// Builds the loaded pictures with Panel and BackgroundTolerance into State (BuildIntoState:
// all or nothing). The back is LoadedBack for a double-sided build, else the front again.
// Throws BuildError, FileError.
void BuildLoaded(Workspace& ws, const ProgressFn& progress = {});

// The state as a project holds it: the loaded pictures, the build's inputs, the
// background, the light and the pose with every vertex position.
ProjectState CaptureState(const Workspace& ws);

// Puts a captured state back: sets the background, rebuilds the pictures (when there are
// any) and puts the light and the pose in place exactly. All or nothing: on an error ws is
// unchanged. Throws BuildError, FileError (path names the project in errors about its
// positions).
void RestoreState(Workspace& ws, const ProjectState& state, const std::string& path,
                  const ProgressFn& progress = {});

// The whole piece of work as a project, and back. OpenProject replaces everything in ws,
// the history included; all or nothing. Throws BuildError, FileError.
ProjectData CaptureProject(const Workspace& ws);
void OpenProject(Workspace& ws, const ProjectData& project, const std::string& path,
                 const ProgressFn& progress = {});

// Records the state that a step of this kind is about to change, as one undo step; call it
// before the change (a drag: at its press, or its first move).
void RecordStep(Workspace& ws, StepKind kind);

// Undo and redo: the state on the other side of the last step, exactly (pixels and
// model), and the step moved to the other list. False when there is nothing to undo or
// redo. Throws FileError (ws unchanged) when a step read from a file does not fit.
bool Undo(Workspace& ws);
bool Redo(Workspace& ws);

}  // namespace vonnik
