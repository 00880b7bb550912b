#include <gtest/gtest.h>

#include "app/shell/menu_state.h"

namespace torvanel {
namespace {

using C = Command;
using M = Menu;

MenuState computed(const MenuInputs& in) {
  MenuState s;
  menuset(s, in);
  return s;
}

ActiveWindowState tableWindow() { return {}; }

TEST(Menuset, CheckMarksFollowTheSettings) {
  MenuInputs in;
  MenuState s = computed(in);
  EXPECT_FALSE(s.checked(C::UseBuffer));
  EXPECT_TRUE(s.checked(C::NoBuffer));
  EXPECT_FALSE(s.checked(C::AutoSave));
  EXPECT_TRUE(s.checked(C::NoAutoSave));
  EXPECT_TRUE(s.checked(C::DbaseDefault));
  EXPECT_FALSE(s.checked(C::FoxproDefault));
  EXPECT_EQ(s.decimalItemCaption, QStringLiteral("设置公式计算时的小数位数 当前为2位(&D)"));

  in.settings = {true, true, tdb::TableType::ttFoxPro, 1};
  menuset(s, in);
  EXPECT_TRUE(s.checked(C::UseBuffer));
  EXPECT_FALSE(s.checked(C::NoBuffer));
  EXPECT_TRUE(s.checked(C::AutoSave));
  EXPECT_FALSE(s.checked(C::NoAutoSave));
  EXPECT_FALSE(s.checked(C::DbaseDefault));
  EXPECT_TRUE(s.checked(C::FoxproDefault));
  EXPECT_EQ(s.decimalItemCaption, QStringLiteral("设置公式计算时的小数位数 当前为0位(&D)"));
}

TEST(Menuset, ProjectsNeedTheProjectList) {
  MenuInputs in;
  MenuState s = computed(in);
  EXPECT_FALSE(s.menu(M::Projects));
  EXPECT_FALSE(s.item(C::OpenProject));
  EXPECT_FALSE(s.button(C::OpenProject));
  in.projectListExists = true;
  menuset(s, in);
  EXPECT_TRUE(s.menu(M::Projects));
  EXPECT_TRUE(s.item(C::OpenProject));
  EXPECT_TRUE(s.button(C::OpenProject));
}

TEST(Menuset, NoChildWindowLeavesOnlyTheOpeningCommands) {
  MenuInputs in;
  in.projectListExists = true;
  MenuState s = computed(in);
  for (M m : {M::Tables, M::Records, M::Edit, M::Utilities, M::Reports}) EXPECT_FALSE(s.menu(m));
  EXPECT_TRUE(s.menu(M::File));
  EXPECT_TRUE(s.menu(M::Settings));
  for (C c : {C::CloseTable, C::CloseAll, C::SaveTable, C::SaveAll, C::CancelTable, C::CancelAll})
    EXPECT_FALSE(s.item(c));
  for (C c : {C::NewProject, C::NewTable, C::OpenTable, C::Quit}) EXPECT_TRUE(s.item(c));
  int enabledButtons = 0;
  for (const ToolButtonInfo& b : toolbarTable()) enabledButtons += s.button(b.command);
  EXPECT_EQ(enabledButtons, 3);
  EXPECT_TRUE(s.button(C::NewTable));
  EXPECT_TRUE(s.button(C::OpenTable));
  EXPECT_TRUE(s.button(C::OpenProject));
}

TEST(Menuset, NoChildWindowLeavesItemsInsideDisabledMenusAlone) {
  // Rule 4 stops: items that only later rules touch keep the state they had.
  MenuInputs in;
  in.active = tableWindow();
  MenuState s = computed(in);
  EXPECT_FALSE(s.item(C::DeleteRecord));
  in.active.reset();
  menuset(s, in);
  EXPECT_FALSE(s.item(C::DeleteRecord));
  EXPECT_FALSE(s.item(C::Recalculate));
}

TEST(Menuset, RecalculationNeedsAProject) {
  MenuInputs in;
  in.active = tableWindow();
  EXPECT_FALSE(computed(in).item(C::Recalculate));
  in.active->showsProject = true;
  EXPECT_TRUE(computed(in).item(C::Recalculate));
}

TEST(Menuset, SavingNeedsTheBufferAndPendingUpdates) {
  MenuInputs in;
  in.active = tableWindow();
  in.active->updatesPending = true;
  MenuState s = computed(in);  // buffer setting off
  for (C c : {C::SaveTable, C::SaveAll, C::CancelTable, C::CancelAll}) EXPECT_FALSE(s.item(c));
  EXPECT_FALSE(s.button(C::SaveTable));
  EXPECT_FALSE(s.button(C::CancelTable));

  in.settings.useMemoryBuffer = true;
  s = computed(in);
  for (C c : {C::SaveTable, C::SaveAll, C::CancelTable, C::CancelAll}) EXPECT_TRUE(s.item(c));
  EXPECT_TRUE(s.button(C::SaveTable));
  EXPECT_TRUE(s.button(C::CancelTable));

  in.active->updatesPending = false;
  s = computed(in);
  EXPECT_FALSE(s.item(C::SaveAll));
  EXPECT_FALSE(s.button(C::CancelTable));
}

TEST(Menuset, OutsideEditStateOnlyCopyFollowsTheSelection) {
  MenuInputs in;
  in.active = tableWindow();
  in.recordClipboardExists = true;
  MenuState s = computed(in);
  for (C c : {C::MoveUp, C::MoveDown, C::AppendRecord, C::InsertRecord, C::Replace, C::DeleteRecord,
              C::RevertRecord, C::DeleteAll, C::Cut, C::Paste, C::Copy})
    EXPECT_FALSE(s.item(c));
  for (C c : {C::MoveUp, C::MoveDown, C::InsertRecord, C::DeleteRecord, C::Cut, C::Paste, C::Copy})
    EXPECT_FALSE(s.button(c));

  in.active->selectedRows = 2;
  s = computed(in);
  EXPECT_TRUE(s.item(C::Copy));
  EXPECT_TRUE(s.button(C::Copy));
  EXPECT_FALSE(s.item(C::Cut));
  EXPECT_FALSE(s.item(C::Paste));
}

TEST(Menuset, InEditStateClipboardAndSelectionDecide) {
  MenuInputs in;
  in.active = tableWindow();
  in.active->inEditState = true;
  MenuState s = computed(in);
  for (C c : {C::MoveUp, C::MoveDown, C::AppendRecord, C::InsertRecord, C::Replace, C::DeleteRecord,
              C::RevertRecord, C::DeleteAll})
    EXPECT_TRUE(s.item(c));
  for (C c : {C::MoveUp, C::MoveDown, C::InsertRecord, C::DeleteRecord}) EXPECT_TRUE(s.button(c));
  EXPECT_FALSE(s.item(C::Paste));
  EXPECT_FALSE(s.item(C::Cut));
  EXPECT_FALSE(s.item(C::Copy));

  in.recordClipboardExists = true;
  s = computed(in);
  EXPECT_TRUE(s.item(C::Paste));
  EXPECT_TRUE(s.button(C::Paste));
  EXPECT_FALSE(s.button(C::Cut));

  in.active->selectedRows = 1;
  s = computed(in);
  EXPECT_TRUE(s.item(C::Cut));
  EXPECT_TRUE(s.button(C::Cut));
  EXPECT_TRUE(s.item(C::Copy));
  EXPECT_TRUE(s.button(C::Copy));
}

TEST(Menuset, AnOpenWindowEnablesWhatRuleFourDisabled) {
  MenuInputs in;
  MenuState s = computed(in);
  in.active = tableWindow();
  menuset(s, in);
  for (M m : {M::Tables, M::Records, M::Edit, M::Utilities, M::Reports}) EXPECT_TRUE(s.menu(m));
  EXPECT_TRUE(s.item(C::CloseTable));
  EXPECT_TRUE(s.item(C::CloseAll));
  for (C c : {C::CloseTable, C::EnterEdit, C::LeaveEdit, C::SingleRecord, C::MultiRecord, C::Query,
              C::FirstRecord, C::LastRecord, C::PriorRecord, C::NextRecord})
    EXPECT_TRUE(s.button(c));
}

}  // namespace
}  // namespace torvanel
