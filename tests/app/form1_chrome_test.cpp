// Dragging the window by its background and the two window buttons, against
// fake window services.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

#include "app/form1.h"
#include "tests/fakes/mock_platform.h"

namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::InSequence;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::ReturnRef;
using ::testing::SetArgPointee;
using ::testing::StrictMock;

constexpr win::HWND kWindow{0x51};
constexpr std::int16_t kLeft = 1, kRight = 2;

class Form1ChromeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ON_CALL(window, hWnd()).WillByDefault(Return(kWindow));
    ON_CALL(toolkit, Windows()).WillByDefault(ReturnRef(user32));
  }
  // The pointer stands at `cursor` for the next position read.
  void CursorAt(win::POINT cursor) {
    EXPECT_CALL(user32, GetCursorPos(_)).WillOnce(DoAll(SetArgPointee<0>(cursor), Return(1)));
  }
  void Press(win::POINT cursor, win::RECT rect) {
    CursorAt(cursor);
    EXPECT_CALL(user32, GetWindowRect(kWindow, _))
        .WillOnce(DoAll(SetArgPointee<1>(rect), Return(1)));
    EXPECT_CALL(user32, SetCapture(kWindow));
    form.Form_MouseDown(kLeft, 0, 0, 0);
  }

  NiceMock<fakes::MockFormWindow> window;
  StrictMock<fakes::MockWindowServices> user32;
  NiceMock<fakes::MockToolkit> toolkit;
  StrictMock<fakes::MockRegistry> registry;
  StrictMock<fakes::MockSystemServices> system;
  app::Form1 form{window, toolkit, registry, system};
};

TEST_F(Form1ChromeTest, ALeftDragMovesTheWindowByTheCursorsDisplacementFromThePress) {
  InSequence in_order;
  Press({500, 300}, {100, 50, 425, 545});
  EXPECT_EQ(form.Dragging, -1);
  EXPECT_CALL(toolkit, DoEvents());
  CursorAt({520, 290});
  EXPECT_CALL(user32, SetWindowPos(kWindow, win::HWND{0}, 120, 40, 0, 0, 5u));
  form.Form_MouseMove(kLeft, 0, 0, 0);
  // Each move starts again from the press, not from the last move.
  EXPECT_CALL(toolkit, DoEvents());
  CursorAt({-700, -20});
  EXPECT_CALL(user32, SetWindowPos(kWindow, win::HWND{0}, -1100, -270, 0, 0, 5u));
  form.Form_MouseMove(kLeft, 0, 0, 0);
  EXPECT_CALL(user32, ReleaseCapture());
  form.Form_MouseUp(kLeft, 0, 0, 0);
  EXPECT_EQ(form.Dragging, 0);
  EXPECT_EQ(form.MoveBusy, 0);
}

TEST_F(Form1ChromeTest, OnlyTheLeftButtonAloneDrags) {
  form.Form_MouseDown(kRight, 0, 0, 0);  // the strict services fail on any call
  form.Form_MouseMove(kLeft, 0, 0, 0);   // no drag under way
  EXPECT_EQ(form.Dragging, 0);

  Press({0, 0}, {0, 0, 325, 495});
  form.Form_MouseMove(kRight, 0, 0, 0);
  form.Form_MouseMove(kLeft | kRight, 0, 0, 0);
  form.Form_MouseUp(kRight, 0, 0, 0);  // a right release does not end a left drag
  EXPECT_EQ(form.Dragging, -1);
}

TEST_F(Form1ChromeTest, ASecondPressReplacesTheStartState) {
  Press({10, 10}, {0, 0, 325, 495});
  Press({400, 400}, {70, 80, 395, 575});
  EXPECT_CALL(toolkit, DoEvents());
  CursorAt({401, 402});
  EXPECT_CALL(user32, SetWindowPos(kWindow, _, 71, 82, 0, 0, 5u));
  form.Form_MouseMove(kLeft, 0, 0, 0);
}

TEST_F(Form1ChromeTest, MovesArrivingWhilePendingEventsRunAreDropped) {
  Press({0, 0}, {0, 0, 325, 495});
  EXPECT_CALL(toolkit, DoEvents()).WillOnce(Invoke([this] {
    EXPECT_EQ(form.MoveBusy, -1);
    form.Form_MouseMove(kLeft, 0, 0, 0);  // nested: nothing happens
  }));
  CursorAt({5, 6});
  EXPECT_CALL(user32, SetWindowPos(kWindow, _, 5, 6, 0, 0, 5u)).Times(1);
  form.Form_MouseMove(kLeft, 0, 0, 0);
  EXPECT_EQ(form.MoveBusy, 0);
}

TEST_F(Form1ChromeTest, AReleaseDuringPendingEventsEndsTheDragButTheMoveStillLands) {
  Press({0, 0}, {0, 0, 325, 495});
  EXPECT_CALL(toolkit, DoEvents()).WillOnce(Invoke([this] {
    EXPECT_CALL(user32, ReleaseCapture());
    form.Form_MouseUp(kLeft, 0, 0, 0);
  }));
  CursorAt({30, 40});
  EXPECT_CALL(user32, SetWindowPos(kWindow, _, 30, 40, 0, 0, 5u));
  form.Form_MouseMove(kLeft, 0, 0, 0);
  EXPECT_EQ(form.Dragging, 0);
  form.Form_MouseMove(kLeft, 0, 0, 0);  // and no later move does anything
}

TEST_F(Form1ChromeTest, ThePositionWrapsAsThirtyTwoBitArithmeticDoes) {
  Press({INT_MIN, 0}, {INT_MAX, 0, 0, 0});
  EXPECT_CALL(toolkit, DoEvents());
  CursorAt({0, 0});
  // INT_MAX + 0 - INT_MIN wraps to -1.
  EXPECT_CALL(user32, SetWindowPos(kWindow, _, -1, 0, 0, 0, 5u));
  form.Form_MouseMove(kLeft, 0, 0, 0);
}

TEST_F(Form1ChromeTest, TheButtonsMinimiseAndEnd) {
  EXPECT_CALL(window, SetWindowState(1));
  form.Image1_Click();
  EXPECT_CALL(toolkit, End());
  form.Image2_Click();
}

}  // namespace
