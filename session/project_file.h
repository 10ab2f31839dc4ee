// The project file (.vonnik): one piece of work, whole, in one file that opens on another
// machine after the original pictures are gone.
//
// The file is a zip container:
//   project.json       the manifest: version, settings, light, pose, zoom, export choices and
//                      the undo history, every picture and array named by its entry
//   pictures/N.png     the pictures as the session keeps them (LoadedPictures: figure-keyed,
//                      before the build recolours them), lossless; RGBA only for a picture
//                      with alpha (not written by this program); one stored per picture
//   arrays/N.f64       turned vertex positions: the six arrays FrontX, FrontY, FrontZ, BackX,
//                      BackY, BackZ one after the other, each (GridMaxX + 1) * (GridMaxY + 1)
//                      IEEE doubles, little-endian, indexed as the model grid indexes them
//
// The build is deterministic, so the model itself is not stored: opening rebuilds it from the
// embedded pictures and settings and then puts the stored positions, view axes, paint order
// and outlined mode in place. The frame and the model dump then equal those of the session
// that saved the file, bit for bit.
//
// Versions: the manifest's version is {major, minor}. A file of a newer major version is
// refused with a message that says so; within one major version, keys this program does not
// know are ignored, so a newer minor version still opens.
//
// Reading is strict: every failure is a FileError naming the file and the reason (empty,
// truncated or not a zip container, a missing or mistyped key, an entry that tries to leave
// the container, expands beyond its declared size or the caps below, a picture over the
// picture limits of core/picture_io.h).

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "builder/model_grid.h"
#include "core/picture_io.h"
#include "export/mesh_export.h"
#include "session/light_disc.h"
#include "session/panel_inputs.h"

namespace vonnik {

constexpr int kProjectMajorVersion = 1;
constexpr int kProjectMinorVersion = 0;

// The file name extension of project files, without the dot.
constexpr const char* kProjectExtension = "vonnik";

// True when path ends in ".vonnik" (any case).
bool IsProjectPath(const std::string& path);

// A picture as it was loaded: its colours (the fourth byte of each word 0), its alpha
// (empty unless a pixel is not opaque) and the name of the file it came from.
struct ProjectPicture {
    PictureWithAlpha Picture;
    std::string Name;
    friend bool operator==(const ProjectPicture&, const ProjectPicture&) = default;
};

// The light as the session holds it, and the panel controls that set it.
struct ProjectLight {
    std::int32_t PointX = LightDisc::kCentreX;
    std::int32_t PointY = LightDisc::kCentreY;
    Vec3 Vector;          // LightX, LightY, LightZ
    double Amount = 0.0;  // LightAmount
    int TrackBarPosition = 100;
    bool BackLight = false;
    friend bool operator==(const ProjectLight&, const ProjectLight&) = default;
};

// The six vertex position arrays of a model, each one value per lattice vertex.
struct PosePositions {
    std::vector<double> FrontX, FrontY, FrontZ, BackX, BackY, BackZ;
    std::size_t Count() const { return FrontX.size(); }
    friend bool operator==(const PosePositions&, const PosePositions&) = default;
};

// The pose exactly: the view axes, the paint order, the outlined mode and, where a step
// moved them, the vertex positions.
struct ProjectPose {
    Vec3 ViewAxisA{1.0, 0.0, 0.0};
    Vec3 ViewAxisB{0.0, 1.0, 0.0};
    Vec3 SavedViewAxes[2];
    PaintOrder DrawOrder = PaintOrder::kRowsDown;
    bool Wireframe = false;
    std::optional<PosePositions> Positions;  // none: the positions stay as they are
    friend bool operator==(const ProjectPose&, const ProjectPose&) = default;
};

// The background: none, or a picture as loaded.
struct ProjectBackground {
    std::optional<ProjectPicture> Picture;
    friend bool operator==(const ProjectBackground&, const ProjectBackground&) = default;
};

// Everything a session needs to show one state again: the pictures and settings of its
// build, its background, light and pose.
struct ProjectState {
    std::optional<ProjectPicture> Front;  // none: nothing has been built
    std::optional<ProjectPicture> Back;   // a double-sided build's back picture
    ProjectBackground Background;
    // The build's number texts and switches (its light-amount position and back light are
    // those of Light).
    PanelInputs Panel;
    int BackgroundTolerance = 0;
    ProjectLight Light;
    ProjectPose Pose;
    friend bool operator==(const ProjectState&, const ProjectState&) = default;
};

// What one undo step changes, named as the menu names it.
enum class StepKind {
    kDrag,         // a right-button drag, press to release
    kResetPose,    // back to the built pose
    kOutlined,     // the outlined mode switched
    kLightPoint,   // a light point picked
    kLightAmount,  // the light amount changed
    kBackLight,    // the back light switched
    kBackground,   // a background picture set or cleared
    kBuild,        // a build or a rebuild
};

// "drag", "reset pose", "outlined", "light point", "light amount", "back light",
// "background", "build": the kind's name in the manifest.
const char* StepKindName(StepKind kind);
std::optional<StepKind> StepKindNamed(const std::string& name);

// One step of the history as the file keeps it: the part of the state that the step
// changes, as it stands on the other side of the step (before it on the undo list, after it
// on the redo list). Pose kinds carry Pose (kOutlined without positions), light kinds
// Light, kBackground Background, and kBuild State (its Background left empty: a build does
// not change the background).
struct ProjectStep {
    StepKind Kind = StepKind::kDrag;
    std::optional<ProjectPose> Pose;
    std::optional<ProjectLight> Light;
    std::optional<ProjectBackground> Background;
    std::optional<ProjectState> State;
    friend bool operator==(const ProjectStep&, const ProjectStep&) = default;
};

struct ProjectData {
    ProjectState State;
    double Zoom = 1.0;  // the viewer's zoom, 1 = 100 %
    MeshExportOptions Export;
    std::vector<ProjectStep> Undo;  // oldest first
    std::vector<ProjectStep> Redo;  // the next redo last
    friend bool operator==(const ProjectData&, const ProjectData&) = default;
};

// Caps on what reading a project may expand to.
struct ProjectLimits {
    std::uint64_t maxFileBytes = 4ull << 30;     // the file itself
    std::uint64_t maxTotalBytes = 4ull << 30;    // every entry, uncompressed, together
    std::uint64_t maxManifestBytes = 64u << 20;  // project.json
    std::uint64_t maxPicturePixels = kMaxPicturePixels;
};

// The project as the bytes of a .vonnik file. Throws FileError naming path when a picture
// cannot be encoded.
std::vector<unsigned char> EncodeProject(const ProjectData& project, const std::string& path);

// Writes EncodeProject(project) to path, whole or not at all. Throws FileError.
void SaveProject(const ProjectData& project, const std::string& path);

// Reads a project file's bytes; path names the file in errors. Throws FileError.
ProjectData DecodeProject(const unsigned char* data, std::size_t size, const std::string& path,
                          const ProjectLimits& limits = {});

// Reads the file at path. Throws FileError.
ProjectData LoadProject(const std::string& path, const ProjectLimits& limits = {});

}  // namespace vonnik
