// Relative and absolute forms of project paths.
#include <gtest/gtest.h>

#include "project/ProjectPaths.h"

namespace trov {
namespace {

TEST(ProjectPaths, RelativeFormAgainstTheProjectFile) {
    const std::string project = "/home/ann/show/show.ini";
    EXPECT_EQ(MakeRelativePath("/home/ann/show/pics/a.jpg", project), "pics/a.jpg");
    EXPECT_EQ(MakeRelativePath("/home/ann/show/a.jpg", project), "a.jpg");
    EXPECT_EQ(MakeRelativePath("/home/ann/a.jpg", project), "../a.jpg");
    EXPECT_EQ(MakeRelativePath("/home/bob/x/a.jpg", project), "../../bob/x/a.jpg");
    // Only the root in common: the file lies elsewhere and keeps its absolute path.
    EXPECT_EQ(MakeRelativePath("/mnt/usb/a.jpg", project), "");
    // Already relative: nothing in common.
    EXPECT_EQ(MakeRelativePath("pics/a.jpg", project), "");
    // Names are compared whole, and case-sensitively.
    EXPECT_EQ(MakeRelativePath("/home/ann/showcase/a.jpg", project), "../showcase/a.jpg");
    EXPECT_EQ(MakeRelativePath("/home/ann/Show/a.jpg", project), "../Show/a.jpg");
}

TEST(ProjectPaths, NativeSeparatorsAndParts) {
    EXPECT_EQ(NativePath("pics\\a.jpg"), "pics/a.jpg");
    EXPECT_EQ(NativePath("/odd\\name.jpg"), "/odd\\name.jpg");  // has "/": the backslash is a character
    EXPECT_EQ(FileNamePart("/a/b/c.jpg"), "c.jpg");
    EXPECT_EQ(FileNamePart("C:\\x\\y.bmp"), "y.bmp");
    EXPECT_EQ(DirectoryPart("/a/b/c.jpg"), "/a/b");
    EXPECT_EQ(DirectoryPart("/c.jpg"), "/");
    EXPECT_EQ(DirectoryPart("c.jpg"), "");
}

TEST(ProjectPaths, ResolveAgainstTheProjectDirectory) {
    SetProjectDirectory("/home/ann/show/");
    EXPECT_EQ(GetProjectDirectory(), "/home/ann/show");
    EXPECT_EQ(ResolveProjectPath("pics/a.jpg"), "/home/ann/show/pics/a.jpg");
    EXPECT_EQ(ResolveProjectPath("../a.jpg"), "/home/ann/a.jpg");
    EXPECT_EQ(ResolveProjectPath("..\\b.jpg"), "/home/ann/b.jpg");
    EXPECT_EQ(ResolveProjectPath("/abs/c.jpg"), "/abs/c.jpg");
    EXPECT_EQ(ResolveProjectPath(""), "");
    SetProjectDirectory("");
    EXPECT_EQ(ResolveProjectPath("pics/a.jpg"), "pics/a.jpg");
}

}  // namespace
}  // namespace trov
