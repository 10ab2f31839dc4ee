// A piece of work saved and reopened, and every kind of step undone and redone: the frame
// and the model dump come back bit for bit.
#include <gtest/gtest.h>

#include <functional>

#include "cli/model_dump.h"
#include "session/session.h"
#include "session/workspace.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"

namespace vonnik {
namespace {

// What a user sees and what the model is.
struct Shown {
    std::string dump;
    Raster frame;
    friend bool operator==(const Shown&, const Shown&) = default;
};

Shown ShownOf(Workspace& ws) {
    RenderShownFrame(ws.State);
    return {ModelDumpJson(ws.State), ws.State.FrameBuffer};
}

std::shared_ptr<const LoadedPictures> Pictures(Raster front, std::optional<Raster> back = {}) {
    auto p = std::make_shared<LoadedPictures>();
    p->Name = "front.bmp";
    p->Front = std::move(front);
    p->Back = std::move(back);
    p->BackSource = "dir/back.bmp";
    return p;
}

// Builds the state's pictures (or the given ones) with the polygon size.
void Build(Workspace& ws, const std::string& polygon = "6",
           std::shared_ptr<const LoadedPictures> pictures = {}) {
    ws.Panel.PolygonText = polygon;
    BuildWork(ws, pictures ? pictures : ws.State.Loaded);
}

void Drag(Workspace& ws, int fromX, int toX, int y) {
    MouseTrack mouse{fromX, y};
    for (int x = fromX + 5; x <= toX; x += 5) DragTo(ws.State, mouse, x, y + x / 7);
}

Workspace Reopened(const Workspace& ws) {
    const std::vector<unsigned char> bytes = EncodeProject(CaptureProject(ws), "w.vonnik");
    Workspace reopened;
    OpenProject(reopened, DecodeProject(bytes.data(), bytes.size(), "w.vonnik"), "w.vonnik");
    return reopened;
}

TEST(Workspace, ReopensBitForBit) {
    struct Case {
        const char* what;
        std::function<void(Workspace&)> make;
    };
    const Case cases[] = {
        {"front only", [](Workspace&) {}},
        {"double-sided",
         [](Workspace& ws) {
             Build(ws, "6", Pictures(ws.State.Loaded->Front, test::MakeNoise(64, 48, 3)));
         }},
        {"with a background",
         [](Workspace& ws) {
             SetBackground(ws.State, "bg.bmp", test::MakeRing(80, 60, 40, 30, 25, 10, 0x3366AA));
         }},
        {"turned", [](Workspace& ws) { Drag(ws, 10, 60, 20); }},
        {"outlined and lit",
         [](Workspace& ws) {
             ws.State.View.Wireframe = true;
             SetLightPoint(ws.State, 75, 40, false);
             ws.State.LightAmount = 4.2;
             Drag(ws, 30, 50, 5);
         }},
        {"square lattice, colour projection",
         [](Workspace& ws) {
             ws.Panel.SpecialPolygon = ws.Panel.ColourProjection = true;
             ws.BackgroundTolerance = 30;
             Build(ws, "5");
         }},
    };
    for (const Case& c : cases) {
        Workspace ws;
        Build(ws, "6", Pictures(test::MakeDisc(64, 48, 30, 24, 18)));
        c.make(ws);
        const Shown before = ShownOf(ws);
        Workspace reopened = Reopened(ws);
        EXPECT_TRUE(ShownOf(reopened) == before) << c.what;
        EXPECT_EQ(CaptureState(reopened), CaptureState(ws)) << c.what;
    }
}

TEST(Workspace, UndoesAndRedoesEveryKindOfStep) {
    Workspace ws;
    struct Step {
        StepKind kind;
        std::function<void(Workspace&)> change;
    };
    const Step steps[] = {
        {StepKind::kBuild,
         [](Workspace& w) { Build(w, "6", Pictures(test::MakeBlobs(72, 56, 11))); }},
        {StepKind::kDrag, [](Workspace& w) { Drag(w, 5, 50, 12); }},
        {StepKind::kOutlined, [](Workspace& w) { w.State.View.Wireframe = true; }},
        {StepKind::kLightPoint, [](Workspace& w) { SetLightPoint(w.State, 50, 60, false); }},
        {StepKind::kLightAmount,
         [](Workspace& w) {
             w.Panel.TrackBarPosition = 330;
             w.State.LightAmount = 3.3;
         }},
        {StepKind::kBackLight,
         [](Workspace& w) {
             w.Panel.BackLight = true;
             w.State.LightZ = -w.State.LightZ;
         }},
        {StepKind::kBackground,
         [](Workspace& w) { SetBackground(w.State, "bg", test::MakeNoise(90, 70, 5)); }},
        {StepKind::kResetPose, [](Workspace& w) { Drag(w, 60, 80, 40); }},
        {StepKind::kBuild,
         [](Workspace& w) {
             Build(w, "4", Pictures(w.State.Loaded->Front, test::MakeNoise(72, 56, 9)));
         }},
        {StepKind::kDrag, [](Workspace& w) { Drag(w, 0, 30, 30); }},
        {StepKind::kBackground, [](Workspace& w) { ClearBackground(w.State); }},
        {StepKind::kOutlined, [](Workspace& w) { w.State.View.Wireframe = false; }},
    };
    std::vector<Shown> seen{ShownOf(ws)};
    for (const Step& s : steps) {
        RecordStep(ws, s.kind);
        s.change(ws);
        seen.push_back(ShownOf(ws));
    }
    ASSERT_EQ(ws.History.UndoSteps().size(), std::size(steps));
    for (std::size_t n = seen.size() - 1; n-- > 0;) {
        ASSERT_TRUE(Undo(ws));
        EXPECT_TRUE(ShownOf(ws) == seen[n]) << "undo to state " << n;
    }
    EXPECT_FALSE(Undo(ws));
    for (std::size_t n = 1; n < seen.size(); ++n) {
        ASSERT_TRUE(Redo(ws));
        EXPECT_TRUE(ShownOf(ws) == seen[n]) << "redo to state " << n;
    }
    EXPECT_FALSE(Redo(ws));

    // The history survives a save: undo five steps, save, reopen, then undo to the start
    // (the builds read from the file are rebuilt) and redo to the end.
    for (int k = 0; k < 5; ++k) Undo(ws);
    Workspace reopened = Reopened(ws);
    EXPECT_TRUE(ShownOf(reopened) == seen[seen.size() - 6]);
    while (Undo(reopened)) {
    }
    EXPECT_TRUE(ShownOf(reopened) == seen[0]);
    for (std::size_t n = 1; n < seen.size(); ++n) {
        ASSERT_TRUE(Redo(reopened));
        EXPECT_TRUE(ShownOf(reopened) == seen[n]) << "redo after reopening to state " << n;
    }
    // Unsaved while the state differs from the one opened or saved.
    EXPECT_TRUE(HasUnsavedChanges(reopened));
    for (int k = 0; k < 5; ++k) Undo(reopened);
    EXPECT_FALSE(HasUnsavedChanges(reopened));
    Undo(reopened);
    EXPECT_TRUE(HasUnsavedChanges(reopened));
    MarkSaved(reopened);
    EXPECT_FALSE(HasUnsavedChanges(reopened));
    // A new step clears what could be redone.
    RecordStep(reopened, StepKind::kOutlined);
    EXPECT_FALSE(reopened.History.CanRedo());
    EXPECT_TRUE(HasUnsavedChanges(reopened));
    Undo(reopened);
    EXPECT_FALSE(HasUnsavedChanges(reopened));
}

TEST(Workspace, KeepsTheHistoryWithinItsBound) {
    const auto pose = [](std::size_t vertices) {
        ProjectPose p;
        p.Positions = PosePositions{};
        p.Positions->FrontX.assign(vertices, 1.0);
        for (std::vector<double>* a :
             {&p.Positions->FrontY, &p.Positions->FrontZ, &p.Positions->BackX, &p.Positions->BackY,
              &p.Positions->BackZ})
            *a = p.Positions->FrontX;
        return HistoryStep{{StepKind::kDrag, p, {}, {}, {}}, nullptr};
    };
    const std::uint64_t one = StepBytes(pose(1000));
    UndoHistory h(3 * one + one / 2);
    for (int n = 0; n < 5; ++n) h.Push(pose(1000));
    EXPECT_EQ(h.UndoSteps().size(), 3u);  // the two oldest dropped
    EXPECT_LE(h.Bytes(), h.MaxBytes());
    const std::uint64_t shown = h.ShownId();
    while (h.CanUndo()) h.PopUndo();
    EXPECT_NE(h.ShownId(), 0u);  // the state after the dropped steps, not the first one
    h.Push(pose(1000));
    h.Push(pose(4000));  // alone larger than the bound: not kept, and nothing before it
    EXPECT_FALSE(h.CanUndo());
    EXPECT_NE(h.ShownId(), shown);
    EXPECT_EQ(h.Bytes(), 0u);

    // A file's steps that do not fit the model are refused, and nothing changes.
    Workspace ws;
    Build(ws, "6", Pictures(test::MakeDisc(40, 40, 20, 20, 12)));
    ws.History.PushUndo(pose(3));
    const Shown before = ShownOf(ws);
    EXPECT_THROW(Undo(ws), FileError);
    EXPECT_TRUE(ShownOf(ws) == before);
    EXPECT_TRUE(ws.History.CanUndo());
}

}  // namespace
}  // namespace vonnik
