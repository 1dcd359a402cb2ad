// A fresh simulated host with its main window and the plug-in's module, on a
// fresh window model. A message box without a scripted answer fails the test.
#pragma once

#include "FunctionTable.h"
#include "SimHost.h"
#include "Win32Stub.h"
#include "WindowModel.h"
#include "common/TempFolder.h"
#include "shell/Globals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        win32stub::ResetWindows();
        win32stub::SetUnansweredBoxHandler([](const win32stub::MessageBoxRecord& box) {
            ADD_FAILURE() << "message box with no answer: \"" << box.text << "\" (" << box.title << ")";
            return 0;
        });
        host().Reset();
        simhost::RegisterModule("FINALE.EXE");
        simhost::RegisterPluginModule();
        mainWindow_ = host().OpenMainWindow();
        gHostVersion = 0x12050000;
        UseOwnFolders();
    }
    void TearDown() override
    {
        win32stub::ResetWindows();
        Win32StubSetDriveRoot("");
    }

    // The host's settings folder and the drive's root are a folder of this
    // test's own, so that no settings file outside it is read or written.
    void UseOwnFolders()
    {
        ASSERT_FALSE(ownFolder_.Path().empty()) << "no folder of the test's own";
        host().finalePath = ownFolder_.Path();
        Win32StubSetDriveRoot(ownFolder_.Path());
    }

    static simhost::Host& host() { return simhost::Host::Get(); }
    static simhost::Score& score() { return simhost::Host::Get().score; }
    HWND MainWindow() const { return mainWindow_; }

    static RECT WindowRect(HWND window)
    {
        RECT rect = {};
        GetWindowRect(window, &rect);
        return rect;
    }
    // The item's rectangle in its dialog's client coordinates.
    static RECT ItemRect(HWND dialog, int item)
    {
        RECT rect = WindowRect(GetDlgItem(dialog, item));
        POINT corner = { rect.left, rect.top };
        ScreenToClient(dialog, &corner);
        return { corner.x, corner.y, corner.x + rect.right - rect.left, corner.y + rect.bottom - rect.top };
    }
    // The API calls and messages of one kind, in order.
    static std::vector<win32stub::Event> EventsNamed(const std::string& name)
    {
        std::vector<win32stub::Event> found;
        for (const win32stub::Event& event : win32stub::Events()) {
            if (event.name == name) found.push_back(event);
        }
        return found;
    }

private:
    qvtest::TempFolder ownFolder_;
    HWND mainWindow_ = nullptr;
};
