// vonnik-cli with project files: --save-project and reopening give the same frame, model
// dump, meshes and turntables bit for bit; options beside a project change it as they
// would the picture; damaged projects are refused.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/picture_io.h"
#include "tests/support/cli_run.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::Cli;
using Args = std::vector<std::string>;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ProjectCli : public ::testing::Test {
  protected:
    ProjectCli() : dir_("project-cli") {
        SaveFrameBmp(test::MakeBlobs(90, 70, 4), File("front.bmp"));
        SaveFrameBmp(test::MakeNoise(90, 70, 8), File("back.bmp"));
        SaveFrameBmp(test::MakeRing(110, 80, 55, 40, 30, 12, 0x224466), File("bg.bmp"));
    }
    std::string File(const std::string& name) const { return dir_.Path() + "/" + name; }

    // The run's outputs under tag: frame, dump (and whatever extra names).
    std::string Outputs(Args args, const std::string& tag, const Args& extra = {}) {
        for (const std::string a : {"--frame", "--dump-model"}) {
            args.push_back(a);
            args.push_back(File(tag + (a == "--frame" ? ".bmp" : ".json")));
        }
        args.insert(args.end(), extra.begin(), extra.end());
        const test::CliRun run = Cli(args);
        EXPECT_EQ(run.status, 0) << run.err;
        return Read(File(tag + ".bmp")) + Read(File(tag + ".json"));
    }

  private:
    test::TempDir dir_;
};

TEST_F(ProjectCli, ReopensWhatItSavedBitForBit) {
    struct Case {
        const char* what;
        Args args;
    };
    const Case cases[] = {
        {"front only", {}},
        {"double-sided", {"--back", File("back.bmp"), "--polygon-size", "5"}},
        {"with a background", {"--background", File("bg.bmp"), "--light-point", "70,45"}},
        {"turned", {"--drag", "10,10;40,30;60,35", "--drag", "5,60;20,20", "--back-light"}},
        {"outlined", {"--drag", "45,35;80,10", "--wireframe", "--square-lattice"}},
    };
    for (const Case& c : cases) {
        Args first{File("front.bmp")};
        first.insert(first.end(), c.args.begin(), c.args.end());
        const std::string saved = Outputs(first, "saved", {"--save-project", File("work.vonnik")});
        EXPECT_EQ(Outputs({File("work.vonnik")}, "reopened"), saved) << c.what;
        // Saved again from the reopened project, it reopens the same once more.
        Outputs({File("work.vonnik"), "--save-project", File("again.vonnik")}, "scratch");
        EXPECT_EQ(Outputs({File("again.vonnik")}, "again"), saved) << c.what;
    }
}

TEST_F(ProjectCli, OptionsBesideAProjectOverrideItsValues) {
    const Args turned{File("front.bmp"), "--drag", "10,10;50,40", "--light-amount", "200"};
    Args save = turned;
    save.insert(save.end(), {"--save-project", File("p.vonnik"), "--mm-per-pixel", "0.3"});
    ASSERT_EQ(Cli(save).status, 0);
    const std::string project = File("p.vonnik");

    struct Case {
        const char* what;
        Args beside;  // given beside the project
        Args direct;  // the same from the picture
    };
    const Case cases[] = {
        {"light amount",
         {"--light-amount", "350"},
         {File("front.bmp"), "--drag", "10,10;50,40", "--light-amount", "350"}},
        {"light point and back light",
         {"--light-point", "50,60", "--back-light"},
         {File("front.bmp"), "--drag", "10,10;50,40", "--light-amount", "200", "--light-point",
          "50,60", "--back-light"}},
        {"a rebuild starts unturned",
         {"--polygon-size", "4", "--curvature", "60"},
         {File("front.bmp"), "--light-amount", "200", "--polygon-size", "4", "--curvature", "60"}},
    };
    for (const Case& c : cases) {
        Args beside{project};
        beside.insert(beside.end(), c.beside.begin(), c.beside.end());
        EXPECT_EQ(Outputs(beside, "beside"), Outputs(c.direct, "direct")) << c.what;
    }

    // Meshes take the project's export choices unless an option replaces them; a turntable
    // turns the reopened pose.
    const Args meshes{"--export-mesh", File("m.ply"),        "--turntable",
                      File("t.gif"),   "--turntable-frames", "3"};
    Args fromProject{project};
    fromProject.insert(fromProject.end(), meshes.begin(), meshes.end());
    ASSERT_EQ(Cli(fromProject).status, 0);
    const std::string ply = Read(File("m.ply")), gif = Read(File("t.gif"));
    Args direct = turned;
    direct.insert(direct.end(), meshes.begin(), meshes.end());
    direct.insert(direct.end(), {"--mm-per-pixel", "0.3"});
    ASSERT_EQ(Cli(direct).status, 0);
    EXPECT_EQ(Read(File("m.ply")), ply);
    EXPECT_EQ(Read(File("t.gif")), gif);

    // A project stands for its front picture wherever a picture is.
    EXPECT_EQ(Outputs({File("bg.bmp"), "--back", project}, "as back"),
              Outputs({File("bg.bmp"), "--back", File("front.bmp")}, "as back direct"));
}

TEST_F(ProjectCli, RefusesDamagedProjects) {
    std::ofstream(File("bad.vonnik"), std::ios::binary) << "PK\x03\x04 cut short";
    const test::CliRun run = Cli({File("bad.vonnik"), "--frame", File("x.bmp")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(File("bad.vonnik") + "': the container is truncated or damaged"),
              std::string::npos)
        << run.err;
    const test::CliRun batch = Cli({File("bad.vonnik"), File("front.bmp"), "--out-dir", File("out"),
                                    "--save-project", "vonnik"});
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find("1 of 2 pictures converted"), std::string::npos) << batch.err;
    EXPECT_EQ(Outputs({File("out/front.vonnik")}, "batch"), Outputs({File("front.bmp")}, "plain"));
}

}  // namespace
}  // namespace vonnik
