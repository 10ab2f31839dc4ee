// One piece of work: the shared state with what rebuilding, saving and undoing it need
// beside it (the pictures as loaded, the build's inputs, the zoom and export choices, the
// undo history), and the actions that keep them together.

#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "builder/build_phases.h"
#include "session/history.h"
#include "session/panel_inputs.h"
#include "session/project_file.h"
#include "session/session.h"
#include "session/shared_state.h"

namespace vonnik {

struct Workspace {
    SharedState State;  // with the pictures as loaded (State.Loaded)
    // The numbers and switches of the current model's build, and the light amount and back
    // light as the panel holds them.
    PanelInputs Panel;
    int BackgroundTolerance = 0;  // the tolerance the pictures were loaded with
    double Zoom = 1.0;
    MeshExportOptions Export;
    UndoHistory History;
    std::uint64_t SavedId = 0;  // History.ShownId() when the work was last saved or opened
};

// Builds pictures with Panel into State (BuildIntoState: all or nothing, the pose reset).
// Throws BuildError.
void BuildWork(Workspace& ws, std::shared_ptr<const LoadedPictures> pictures,
               const ProgressFn& progress = {});

// The state as a project holds it: the pictures as loaded, the build's inputs, the
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

// Whether the state shown differs from the one last saved or opened (an undo back to it
// counts as no change); MarkSaved after a save.
bool HasUnsavedChanges(const Workspace& ws);
void MarkSaved(Workspace& ws);

// Records the state that a step of this kind is about to change, as one undo step; call it
// before the change (a drag: at its press, or its first move).
void RecordStep(Workspace& ws, StepKind kind);

// A build or a rebuild that replaces the model, as one undo step: the model on screen moves
// into the step (it is not copied), AdoptBuild puts the built one in its place, and
// ws.Panel takes the build's inputs.
void AdoptBuildAsStep(Workspace& ws, const PanelInputs& panel,
                      std::shared_ptr<const LoadedPictures> pictures, BuiltModel built,
                      PoseOnBuild pose);

// Undo and redo: the state on the other side of the last step, exactly (pixels and
// model), and the step moved to the other list. False when there is nothing to undo or
// redo. Throws FileError (ws unchanged) when a step read from a file does not fit.
bool Undo(Workspace& ws);
bool Redo(Workspace& ws);

}  // namespace vonnik
