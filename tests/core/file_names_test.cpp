#include "core/file_names.h"

#include <gtest/gtest.h>

namespace vonnik {
namespace {

TEST(FileNames, SplitAPathAtItsLastSlashAndTheNameAtItsLastDot) {
    EXPECT_EQ(FileNameOf("pictures/bear.bmp"), "bear.bmp");
    EXPECT_EQ(FileNameOf("/a/b.c/bear"), "bear");
    EXPECT_EQ(FileNameOf("bear.bmp"), "bear.bmp");
    EXPECT_EQ(FileNameOf("pictures/"), "");

    EXPECT_EQ(StemOf("a.b/bear.v2.bmp"), "bear.v2");
    EXPECT_EQ(StemOf("a.b/bear"), "bear");
    EXPECT_EQ(StemOf("a/.bmp"), "");
    EXPECT_EQ(StemOf("my bear.png"), "my bear");

    EXPECT_EQ(SuffixOf("out/solid.GLB"), "GLB");
    EXPECT_EQ(SuffixOf("out.d/solid"), "");
    EXPECT_EQ(SuffixOf("solid."), "");
    EXPECT_EQ(SuffixOf("a/solid.tar.stl"), "stl");
    EXPECT_EQ(LowerSuffixOf("out/solid.GLB"), "glb");
    EXPECT_EQ(LowerSuffixOf("out.D/solid"), "");

    EXPECT_EQ(FolderOf("out/a/solid.obj"), "out/a/");
    EXPECT_EQ(FolderOf("/solid.obj"), "/");
    EXPECT_EQ(FolderOf("solid.obj"), "");
}

}  // namespace
}  // namespace vonnik
