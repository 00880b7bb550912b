#pragma once

#include <span>

namespace torvanel {

// Every command of the main window's menus. The order is the menus' order.
enum class Command {
  // 文件(&F)
  NewProject,
  NewTable,
  OpenProject,
  OpenTable,
  CloseTable,
  CloseAll,
  SaveTable,
  SaveAll,
  CancelTable,
  CancelAll,
  Quit,
  // 项目设置(&M): the menu itself
  ManageProjects,
  // 数据表(&T)
  EnterEdit,
  LeaveEdit,
  SingleRecord,
  MultiRecord,
  SelectIndex,
  Query,
  ModifyStructure,
  // 表记录(&R)
  FirstRecord,
  LastRecord,
  PriorRecord,
  NextRecord,
  LocateByNumber,
  LocateByContent,
  RecordToText,
  MoveUp,
  MoveDown,
  Replace,
  FieldSum,
  AppendRecord,
  InsertRecord,
  DeleteRecord,
  RevertRecord,
  DeleteAll,
  // 编辑(&E)
  Cut,
  Copy,
  Paste,
  // 设置(&O)
  UseBuffer,
  NoBuffer,
  AutoSave,
  NoAutoSave,
  DbaseDefault,
  FoxproDefault,
  DecimalPlaces,
  // 实用程序
  SummaryOutput,
  CopyOutput,
  AppendOutput,
  OrderedOutput,
  AppendInput,
  Recalculate,
  // 报表管理: the menu itself
  ReportManager,
};
inline constexpr int kCommandCount = static_cast<int>(Command::ReportManager) + 1;

// The menus of the menu bar, in order.
enum class Menu { File, Projects, Tables, Records, Edit, Settings, Utilities, Reports };
inline constexpr int kMenuCount = static_cast<int>(Menu::Reports) + 1;

struct MenuInfo {
  Menu id;
  const char* caption;  // UTF-8
  // The command a menu without items runs when clicked; for the others, not used.
  Command ownCommand;
  bool hasItems;
};

struct CommandInfo {
  Command id;
  Menu menu;
  const char* caption;  // UTF-8; the decimal places item's caption is rewritten by menuset
  bool separatorBefore;
  bool checkable;
};

struct ToolButtonInfo {
  Command command;
  const char* hint;  // UTF-8
  const char* icon;  // resource path
  bool separatorAfter;
  bool rowBreakAfter;  // the toolbar goes on in a second row
};

std::span<const MenuInfo> menuTable();
std::span<const CommandInfo> commandTable();  // indexed by Command
std::span<const ToolButtonInfo> toolbarTable();

inline int index(Command c) { return static_cast<int>(c); }
inline int index(Menu m) { return static_cast<int>(m); }

}  // namespace torvanel
