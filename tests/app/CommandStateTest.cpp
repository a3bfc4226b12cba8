#include "app/CommandState.h"
#include "app/OpenDispatch.h"

#include <gtest/gtest.h>

using namespace fw::app;

TEST(CommandState, FollowsTheStripAndTheGifProject)
{
    const struct {
        int strip, stripSel, gif, gifSel;
        CommandState expected;
    } cases[] = {
        {0, -1, 0, -1, {}},
        // Three frames, none selected: Remove off; Remove All, Print, Save on.
        {3, -1, 0, -1, {false, true, false, false, false, false, false}},
        {3, 1, 0, -1, {true, true, false, false, false, false, false}},
        // One GIF entry selected: no Add, no move down, no Preview or Export.
        {0, -1, 1, 0, {false, false, true, false, true, false, false}},
        {0, -1, 3, 0, {false, false, true, true, true, false, true}},
        {0, -1, 3, 1, {false, false, true, true, true, true, true}},
        {0, -1, 3, 2, {false, false, true, true, true, true, false}},
        {0, -1, 3, -1, {false, false, true, true, false, false, false}},
    };
    for (const auto& c : cases) {
        const CommandState s = computeCommandState(c.strip, c.stripSel, c.gif, c.gifSel);
        const auto& e = c.expected;
        const auto at = ::testing::Message() << c.strip << "/" << c.stripSel << " gif " << c.gif << "/" << c.gifSel;
        EXPECT_EQ(s.remove, e.remove) << at;
        EXPECT_EQ(s.frames, e.frames) << at;
        EXPECT_EQ(s.gifAny, e.gifAny) << at;
        EXPECT_EQ(s.gifTwo, e.gifTwo) << at;
        EXPECT_EQ(s.gifSelected, e.gifSelected) << at;
        EXPECT_EQ(s.gifMoveUp, e.gifMoveUp) << at;
        EXPECT_EQ(s.gifMoveDown, e.gifMoveDown) << at;
    }
}

TEST(OpenDispatch, SortsFilesByTheirLowerCasedExtension)
{
    const struct {
        const char* path;
        OpenKind kind;
    } cases[] = {
        {"/v/clip.avi", OpenKind::VideoPlayer},  {"/v/CLIP.AVI", OpenKind::VideoPlayer},
        {"/v/a.mpg", OpenKind::VideoPlayer},     {"/v/a.mpe", OpenKind::VideoPlayer},
        {"/v/a.MPEG", OpenKind::VideoPlayer},    {"/v/a.divx", OpenKind::VideoPlayer},
        {"/v/AVSEQ01.DAT", OpenKind::VideoPlayer}, {"/v/a.wmv", OpenKind::MediaGrabber},
        {"/v/a.asf", OpenKind::MediaGrabber},    {"/v/VTS_01_1.vob", OpenKind::MediaGrabber},
        {"/v/a.mov", OpenKind::MediaGrabber},    {"/v/anim.GIF", OpenKind::GifImport},
        {"/v/notes.txt", OpenKind::None},        {"/v/noext", OpenKind::None},
        {"/v.avi/noext", OpenKind::None},        {"/v/a.mp4", OpenKind::VideoPlayer},
        {"/v/a.M4V", OpenKind::VideoPlayer},     {"/v/a.mkv", OpenKind::VideoPlayer},
        {"/v/a.webm", OpenKind::VideoPlayer},    {"/v/a.ts", OpenKind::VideoPlayer},
        {"/v/a.m2ts", OpenKind::VideoPlayer},    {"/v/a.MTS", OpenKind::VideoPlayer},
        {"/v/a.flv", OpenKind::VideoPlayer},     {"/v/a.3gp", OpenKind::VideoPlayer},
        {"/v/a.ogv", OpenKind::VideoPlayer},     {"/v/a.mp3", OpenKind::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(openKindForPath(QString::fromLatin1(c.path)), c.kind) << c.path;
    const QStringList filters = openDialogFilters();
    ASSERT_EQ(filters.size(), 10);
    EXPECT_EQ(filters[0], QStringLiteral("All files  (*.avi *.mpg *.mpe *.mpeg *.divx *.dat *.wmv *.asf *.mov *.gif *.mp4 "
                                         "*.m4v *.mkv *.webm *.ts *.m2ts *.mts *.flv *.3gp *.ogv)"));
    EXPECT_EQ(filters[7], QStringLiteral("GIF files (*.gif)"));
    EXPECT_EQ(filters[8], QStringLiteral("DAT files (*.dat)"));
    EXPECT_EQ(filters[9], QStringLiteral("Modern video files (*.mp4 *.m4v *.mkv *.webm *.ts *.m2ts *.mts *.flv *.3gp *.ogv)"));
}
