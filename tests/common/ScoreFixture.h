// A fresh simulated host with a small score, registered as FINALE.EXE.
#pragma once

#include "FunctionTable.h"
#include "SimHost.h"
#include "Win32Stub.h"
#include "common/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

class ScoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        simhost::Host::Get().Reset();
        simhost::RegisterModule("FINALE.EXE");
        score().staffOrder = { 1, 2, 3 };
        score().measureCount = 4;
        // The host's settings folder and the drive's root are a folder of
        // this test's own, so that no settings file outside it is touched.
        ASSERT_FALSE(ownFolder_.Path().empty()) << "no folder of the test's own";
        host().finalePath = ownFolder_.Path();
        Win32StubSetDriveRoot(ownFolder_.Path());
    }
    void TearDown() override
    {
        Win32StubSetDriveRoot("");
        EXPECT_EQ(0u, host().LiveFrameCount()) << "frames left unfreed";
        EXPECT_EQ(0u, host().FramesFreedTwice()) << "frames freed twice";
    }

    static simhost::Host& host() { return simhost::Host::Get(); }
    static simhost::Score& score() { return simhost::Host::Get().score; }

    static size_t CountCalls(const std::string& function) { return host().CallsTo(function).size(); }

    static simhost::NoteSpec Note(uint16_t id) { return simhost::NoteSpec{ id, 0, std::nullopt }; }
    static simhost::NoteSpec NoteWith(uint16_t id, int16_t velocity, int16_t start = 0, int16_t end = 0)
    {
        simhost::Performance p;
        p.velocity = velocity;
        p.start = start;
        p.end = end;
        return simhost::NoteSpec{ id, 0, p };
    }

private:
    qvtest::TempFolder ownFolder_;
};
