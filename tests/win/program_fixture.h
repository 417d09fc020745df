// The program started in-process: start-up, the main window created modeless, shutdown at the end.
#pragma once
#include "app/main_window.h"
#include "app/startup.h"
#include "log/app_globals.h"
#include "log/log_window.h"
#include "test_support.h"

#include <gtest/gtest.h>

class ProgramTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(StartUp(), 0);
        main_ = CreateDialogParamA(appInstance, MAKEINTRESOURCEA(101), nullptr, MainDialogProc, 0);
        ASSERT_NE(main_, nullptr);
        ShowWindow(main_, SW_SHOW);
        PumpPending();
    }
    void TearDown() override {
        if (main_) DestroyWindow(main_);
        ShutDown();
    }

    void Command(int id) { SendMessageA(main_, WM_COMMAND, id, 0); }
    std::vector<std::string> LogLines() const { return ListItems(logWindow->List()); }
    // Log lines without their 19-column time stamps.
    std::vector<std::string> LogMessages() const {
        std::vector<std::string> messages;
        for (const std::string& line : LogLines()) messages.push_back(line.size() > 19 ? line.substr(19) : "");
        return messages;
    }

    HWND main_ = nullptr;
};
