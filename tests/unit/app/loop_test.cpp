// The command line's scene path and folder, and the file watch's quiet period, as tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/options.h"
#include "app/watch.h"

TEST(Options, SceneFolderAndOutcomes) {
    const std::string data = KRESTEL_TEST_DATA; // an existing folder
    const struct {
        std::vector<std::string> args;
        int outcome;
        std::string scenePath, sceneFolder;
    } cases[] = {
        {{}, OptionsOutcome::Run, "scene.txt", ""},
        {{"levels/a/scene.txt"}, OptionsOutcome::Run, "levels/a/scene.txt", "levels/a/"},
        {{data}, OptionsOutcome::Run, data + "/scene.txt", data},
        {{data + "/"}, OptionsOutcome::Run, data + "/scene.txt", data + "/"},
        {{"-display", ":1", "s.txt", "-iconic"}, OptionsOutcome::Run, "s.txt", ""},
        {{"--screenshot"}, OptionsOutcome::UsageError, "scene.txt", ""},
        {{"--screenshot", "o.png", "--after", "-1"}, OptionsOutcome::UsageError, "scene.txt", ""},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv{const_cast<char*>("krestel")};
        for (const std::string& arg : c.args) argv.push_back(const_cast<char*>(arg.c_str()));
        const Options o = parseOptions(static_cast<int>(argv.size()), argv.data());
        const std::string label = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(o.outcome, c.outcome) << label;
        EXPECT_EQ(o.scenePath, c.scenePath) << label;
        EXPECT_EQ(o.sceneFolder, c.sceneFolder) << label;
    }
}

// Rows: poll time, whether the stamp changed since the last poll, whether a reload is due.
TEST(FileWatch, ReportsOnceAfterAQuietPeriod) {
    const struct {
        double time;
        bool changed;
        bool reload;
    } polls[] = {{0.0, false, false}, {0.1, true, false},  {0.15, true, false},
                 {0.2, false, false}, {0.3, false, true},  {0.4, false, false},
                 {0.5, true, false},  {0.65, false, true}, {0.8, false, false}};
    FileWatch watch{{{"scene.txt", FileStamp{1, 10, 5, 7}}}, 0, 0.0, 0.0};
    FileStamp stamp = watch.files[0].stamp;
    for (const auto& p : polls) {
        // A save by rename changes only the inode; an edit in place changes size and time.
        if (p.changed) stamp.inode += 1;
        EXPECT_EQ(watchFiles(&watch, {stamp}, p.time), p.reload) << "at " << p.time;
    }
}
