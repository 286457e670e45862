// The file watch's quiet period, as a table (the command line is held by the e2e runs).
#include <gtest/gtest.h>

#include "app/watch.h"

// Rows: poll time, whether the stamp changed since the last poll, whether a reload is due.
TEST(FileWatch, ReportsOnceAfterAQuietPeriod) {
    const struct { double time; bool changed, reload; } polls[] = {
        {0.0, false, false}, {0.1, true, false}, {0.15, true, false}, {0.2, false, false}, {0.3, false, true},
        {0.4, false, false}, {0.5, true, false}, {0.65, false, true}, {0.8, false, false}};
    FileWatch watch{{{"scene.txt", FileStamp{1, 10, 5, 7}}}, 0, 0.0, 0.0};
    FileStamp stamp = watch.files[0].stamp;
    for (const auto& p : polls) {
        // A save by rename changes only the inode; an edit in place changes size and time.
        if (p.changed) stamp.inode += 1;
        EXPECT_EQ(watchFiles(&watch, {stamp}, p.time), p.reload) << "at " << p.time;
    }
}
