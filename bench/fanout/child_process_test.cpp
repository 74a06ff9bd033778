#include "bench/fanout/child_process.h"
#include "bench/fanout/temp_dir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace fanout {

TEST(ChildProcess, CpuTicksCountFromTheLastParenthesis) {
    // pid (comm) state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime stime ...
    EXPECT_EQ(ChildProcess::CpuTicksOfStat("42 (moneko-server) S 1 42 42 0 -1 4194560 100 0 0 0 250 17 0 0 20 0\n"),
              267u);
    // A command name may hold spaces and parentheses of its own.
    EXPECT_EQ(ChildProcess::CpuTicksOfStat("7 (a) b (c) R 1 7 7 0 -1 0 0 0 0 0 5 6 0 0 20 0\n"), 11u);
    EXPECT_FALSE(ChildProcess::CpuTicksOfStat(""));
    EXPECT_FALSE(ChildProcess::CpuTicksOfStat("42 (x) S 1 2 3"));  // cut short
    EXPECT_FALSE(ChildProcess::CpuTicksOfStat("42 (x) S 1 42 42 0 -1 0 0 0 0 0 ab 17 0"));
}

TEST(ChildProcess, MeasuresAndStopsARealProcess) {
    TempDir dir;
    ASSERT_TRUE(dir.Create("fanout-child-test"));
    ChildProcess child;
    std::string error;
    // Busy for a moment, then waiting to be stopped.
    ASSERT_TRUE(child.Start({"/bin/sh", "-c", "i=0; while [ $i -lt 300000 ]; do i=$((i+1)); done; echo busy; exec sleep 30"},
                            dir.File("log"), &error))
        << error;
    std::optional<double> cpu;
    for (int i = 0; i < 200 && dir.Tail("log").empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(dir.Tail("log"), "busy\n");
    cpu = child.CpuSeconds();
    ASSERT_TRUE(cpu);
    EXPECT_GT(*cpu, 0.0);
    EXPECT_TRUE(child.Running());
    const auto before = std::chrono::steady_clock::now();
    child.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    EXPECT_FALSE(child.Running());
    EXPECT_FALSE(child.CpuSeconds());
}

TEST(ChildProcess, MissingProgramIsAnErrorNotAChild) {
    ChildProcess child;
    std::string error;
    EXPECT_FALSE(child.Start({"/nonexistent/moneko-server"}, "/dev/null", &error));
    EXPECT_NE(error.find("/nonexistent/moneko-server"), std::string::npos);
    EXPECT_FALSE(child.Running());
}

}  // namespace fanout
