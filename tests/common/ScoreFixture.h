// A fresh simulated host with a small score, registered as FINALE.EXE.
#pragma once

#include "FunctionTable.h"
#include "SimHost.h"

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
    }
    void TearDown() override
    {
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
};
