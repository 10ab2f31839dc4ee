// Arbitrary bytes as a project file: read strictly, and when the reading succeeds and the
// pictures are small, opened (rebuilt, the pose put in place) and its history undone and
// redone to both ends. Every failure must be a FileError or a BuildError; nothing may
// crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>

#include "session/project_file.h"
#include "session/workspace.h"

namespace vonnik {
namespace {

// Pictures a fuzzed project may carry when it is opened: a build of each stays quick.
constexpr std::uint64_t kMaxFuzzPixels = 96 * 96;

bool Small(const std::optional<ProjectPicture>& p) {
    return !p || static_cast<std::uint64_t>(p->Picture.colours.Width()) *
                         static_cast<std::uint64_t>(p->Picture.colours.Height()) <=
                     kMaxFuzzPixels;
}

}  // namespace
}  // namespace vonnik

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vonnik;
    ProjectLimits limits;
    limits.maxTotalBytes = 64u << 20;
    limits.maxPicturePixels = 1u << 20;
    ProjectData project;
    try {
        project = DecodeProject(data, size, "fuzz.vonnik", limits);
    } catch (const FileError&) {
        return 0;
    }
    // Each build step of the history is built again when it is undone.
    if (project.Undo.size() + project.Redo.size() > 64) return 0;
    if (!Small(project.State.Front) || !Small(project.State.Back)) return 0;
    for (const ProjectStep& s : project.Undo)
        if (s.State && (!Small(s.State->Front) || !Small(s.State->Back))) return 0;
    for (const ProjectStep& s : project.Redo)
        if (s.State && (!Small(s.State->Front) || !Small(s.State->Back))) return 0;
    try {
        Workspace ws;
        OpenProject(ws, project, "fuzz.vonnik");
        while (Undo(ws)) {
        }
        while (Redo(ws)) {
        }
    } catch (const FileError&) {
    } catch (const BuildError&) {
    }
    return 0;
}
