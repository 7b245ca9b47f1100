// The one clip reader: an AVI entry's pictures and frame count come from the clip named exactly,
// so "clip.avi" and "Clip.avi" (two files here) each give their own frames and length.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "creation/Creation.h"
#include "creation/PicturePreparation.h"
#include "imaging/PictureTools.h"
#include "project/FileCache.h"
#include "project/ProjectObject.h"
#include "support/TestSupport.h"
#include "video/AVIFrameReader.h"

namespace trov {
namespace {

// A lossless clip of one colour and `frames` frames, written by ffmpeg (an independent writer).
bool WriteColourClip(const std::string& path, const char* colour, int frames) {
    std::string cmd = "ffmpeg -nostdin -v error -y -f lavfi -i color=" + std::string(colour) +
                      ":s=40x30:r=25 -frames:v " + std::to_string(frames) + " -c:v ffv1 '" + path + "'";
    return std::system(cmd.c_str()) == 0;
}

void ExpectColour(const CPicture* picture, int r, int g, int b, const std::string& what) {
    ASSERT_NE(picture, nullptr) << what;
    uint8_t pr = 0, pg = 0, pb = 0;
    ASSERT_TRUE(picture->GetPixel(picture->GetWidth() / 2, picture->GetHeight() / 2, pr, pg, pb)) << what;
    EXPECT_NEAR(pr, r, 3) << what;
    EXPECT_NEAR(pg, g, 3) << what;
    EXPECT_NEAR(pb, b, 3) << what;
}

// Sets the default background colour for one test (part of every entry picture's name).
class BackgroundScope {
public:
    explicit BackgroundScope(Colour c) : m_old(CPicture::GetDefaultBackgroundColour()) {
        CPicture::SetDefaultBackgroundColour(c);
    }
    ~BackgroundScope() { CPicture::SetDefaultBackgroundColour(m_old); }

private:
    Colour m_old;
};

class ClipReader : public ::testing::Test {
protected:
    void SetUp() override {
        lower = dir / "clip.avi";
        upper = dir / "Clip.avi";
        ASSERT_TRUE(WriteColourClip(lower, "red", 12));
        ASSERT_TRUE(WriteColourClip(upper, "blue", 7));
    }
    test::TempDir dir;
    std::string lower, upper;
};

TEST_F(ClipReader, NamesDifferingOnlyInCaseAreTwoClips) {
    CAVIFrameReader reader;
    ExpectColour(reader.ReadVideoFrame(lower, 3).get(), 255, 0, 0, "clip.avi");
    ExpectColour(reader.ReadVideoFrame(upper, 3).get(), 0, 0, 255, "Clip.avi after clip.avi");
    ExpectColour(reader.ReadVideoFrame(lower, 4).get(), 255, 0, 0, "clip.avi again");
    EXPECT_EQ(reader.GetFrameCount(lower), 12);
    EXPECT_EQ(reader.GetFrameCount(upper), 7);
    EXPECT_EQ(reader.ReadVideoFrame(upper, 7), nullptr);  // past the end of the shorter clip
    EXPECT_EQ(reader.ReadVideoFrame(lower, 7)->GetFileName(), lower);
    EXPECT_EQ(reader.GetFrameCount(dir / "CLIP.AVI"), -1);  // no such file
    EXPECT_EQ(reader.ReadVideoFrame("", 0), nullptr);
}

TEST_F(ClipReader, TheListRefreshGivesEachClipItsOwnLength) {
    CAVIFrameReader reader;
    std::vector<CProjectObject> objs(3);
    objs[0].SetFileName(lower);
    objs[1].SetFileName(upper);
    objs[2].SetFileName(lower);
    for (auto& o : objs) o.showPicture = 100;
    std::vector<CProjectObject*> list{&objs[0], &objs[1], &objs[2]};
    NormalizeProjectObjects(list, 25, &reader);
    EXPECT_EQ(objs[0].showPicture, 11);
    EXPECT_EQ(objs[1].showPicture, 6);
    EXPECT_EQ(objs[2].showPicture, 11);
}

TEST_F(ClipReader, AnAviEntrysPicturesComeFromItsOwnClip) {
    CreationEnvironment env;
    CFileCache cache;
    CPictureTools tools;
    CPicturePreparation prep(env, cache, tools);
    CProjectObject a, b;
    a.SetFileName(lower);
    b.SetFileName(upper);
    a.rotation = b.rotation = 180;  // clips are never rotated
    BackgroundScope bg(MakeColour(1, 2, 3));
    // The entry picture of an AVI entry is its frame 0, named by the entry's key.
    auto first = prep.LoadObjectPicture(a);
    ExpectColour(first.get(), 255, 0, 0, "entry clip.avi");
    EXPECT_EQ(first->GetFileName(), lower + "#0##1#2#3");
    ExpectColour(prep.LoadObjectPicture(b).get(), 0, 0, 255, "entry Clip.avi");
    // The show reads on from the open clip; the other name opens the other file.
    ExpectColour(prep.ReadClipFrame(upper, 6).get(), 0, 0, 255, "Clip.avi frame 6");
    ExpectColour(prep.ReadClipFrame(lower, 11).get(), 255, 0, 0, "clip.avi frame 11");
    // A still preparation of a clip entry (the picture list) is its frame 0 fitted to the size.
    ExpectColour(prep.PreparePicture(b, 20, 15, false).get(), 0, 0, 255, "prepared Clip.avi");
}

}  // namespace
}  // namespace trov
