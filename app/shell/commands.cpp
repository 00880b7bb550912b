#include "app/shell/commands.h"

#include <array>

namespace torvanel {

namespace {

using C = Command;
using M = Menu;

constexpr std::array<MenuInfo, kMenuCount> kMenus{{
    {M::File, "文件(&F)", C::Quit, true},
    {M::Projects, "项目设置(&M)", C::ManageProjects, false},
    {M::Tables, "数据表(&T)", C::Quit, true},
    {M::Records, "表记录(&R)", C::Quit, true},
    {M::Edit, "编辑(&E)", C::Quit, true},
    {M::Settings, "设置(&O)", C::Quit, true},
    {M::Utilities, "实用程序", C::Quit, true},
    {M::Reports, "报表管理", C::ReportManager, false},
}};

constexpr std::array<CommandInfo, kCommandCount> kCommands{{
    {C::NewProject, M::File, "新建项目", false, false},
    {C::NewTable, M::File, "新建数据表", false, false},
    {C::OpenProject, M::File, "打开项目", true, false},
    {C::OpenTable, M::File, "打开数据表", false, false},
    {C::CloseTable, M::File, "关闭当前(表)项目", true, false},
    {C::CloseAll, M::File, "关闭全部", false, false},
    {C::SaveTable, M::File, "保存当前表改变", true, false},
    {C::SaveAll, M::File, "保存全部表改变", false, false},
    {C::CancelTable, M::File, "取消当前表修改", false, false},
    {C::CancelAll, M::File, "取消全部表修改", false, false},
    {C::Quit, M::File, "退出", true, false},
    {C::ManageProjects, M::Projects, "项目设置(&M)", false, false},
    {C::EnterEdit, M::Tables, "进入编辑状态", false, false},
    {C::LeaveEdit, M::Tables, "取消编辑状态", false, false},
    {C::SingleRecord, M::Tables, "单记录模式显示", true, false},
    {C::MultiRecord, M::Tables, "多记录模式显示", false, false},
    {C::SelectIndex, M::Tables, "选择索引文件", true, false},
    {C::Query, M::Tables, "设置查询条件", false, false},
    {C::ModifyStructure, M::Tables, "修改表结构", true, false},
    {C::FirstRecord, M::Records, "首记录", false, false},
    {C::LastRecord, M::Records, "尾记录", false, false},
    {C::PriorRecord, M::Records, "上一记录", false, false},
    {C::NextRecord, M::Records, "下一记录", false, false},
    {C::LocateByNumber, M::Records, "序号定位", true, false},
    {C::LocateByContent, M::Records, "内容定位", false, false},
    {C::RecordToText, M::Records, "当前记录输出到文本文件", false, false},
    {C::MoveUp, M::Records, "记录向上移动", true, false},
    {C::MoveDown, M::Records, "记录向下移动", false, false},
    {C::Replace, M::Records, "替换字段内容", true, false},
    {C::FieldSum, M::Records, "字段数据求和", false, false},
    {C::AppendRecord, M::Records, "增加记录", true, false},
    {C::InsertRecord, M::Records, "插入记录", false, false},
    {C::DeleteRecord, M::Records, "删除记录", false, false},
    {C::RevertRecord, M::Records, "恢复记录", false, false},
    {C::DeleteAll, M::Records, "全部删除记录", true, false},
    {C::Cut, M::Edit, "剪切", false, false},
    {C::Copy, M::Edit, "复制", false, false},
    {C::Paste, M::Edit, "粘贴", false, false},
    {C::UseBuffer, M::Settings, "使用内存缓冲", false, true},
    {C::NoBuffer, M::Settings, "取消内存缓冲", false, true},
    {C::AutoSave, M::Settings, "退出时自动存盘", true, true},
    {C::NoAutoSave, M::Settings, "退出不自动存盘", false, true},
    {C::DbaseDefault, M::Settings, "[.DBF]文件打开或建立时默认为DBase类型", true, true},
    {C::FoxproDefault, M::Settings, "[.DBF]文件打开或建立时默认为FoxPro类型", false, true},
    {C::DecimalPlaces, M::Settings, "公式计算时的小数位数", true, false},
    {C::SummaryOutput, M::Utilities, "汇总输出", false, false},
    {C::CopyOutput, M::Utilities, "复制输出", true, false},
    {C::AppendOutput, M::Utilities, "追加输出", false, false},
    {C::OrderedOutput, M::Utilities, "按现有顺序输出", false, false},
    {C::AppendInput, M::Utilities, "追加输入", false, false},
    {C::Recalculate, M::Utilities, "按公式重新计算", true, false},
    {C::ReportManager, M::Reports, "报表管理", false, false},
}};

constexpr std::array<ToolButtonInfo, 22> kButtons{{
    {C::NewTable, "新建数据表", ":/icons/new_table.svg", false, false},
    {C::OpenTable, "打开数据表", ":/icons/open_table.svg", false, false},
    {C::OpenProject, "打开项目", ":/icons/open_project.svg", false, false},
    {C::CloseTable, "关闭活动表", ":/icons/close_table.svg", false, false},
    {C::SaveTable, "保存活动表修改", ":/icons/save_changes.svg", false, false},
    {C::CancelTable, "取消活动表修改", ":/icons/cancel_changes.svg", true, false},
    {C::EnterEdit, "进入编辑", ":/icons/enter_edit.svg", false, false},
    {C::LeaveEdit, "取消编辑", ":/icons/leave_edit.svg", false, false},
    {C::SingleRecord, "单记录模式", ":/icons/single_record.svg", false, false},
    {C::MultiRecord, "多记录模式", ":/icons/multi_record.svg", false, false},
    {C::Query, "查询", ":/icons/query.svg", true, false},
    {C::FirstRecord, "首记录", ":/icons/first_record.svg", false, false},
    {C::LastRecord, "尾记录", ":/icons/last_record.svg", false, false},
    {C::PriorRecord, "前一记录", ":/icons/prior_record.svg", false, false},
    {C::NextRecord, "后一记录", ":/icons/next_record.svg", true, true},
    {C::MoveUp, "记录上移", ":/icons/move_up.svg", false, false},
    {C::MoveDown, "记录下移", ":/icons/move_down.svg", false, false},
    {C::InsertRecord, "插入记录", ":/icons/insert_record.svg", false, false},
    {C::DeleteRecord, "删除记录", ":/icons/delete_record.svg", true, false},
    {C::Cut, "剪切", ":/icons/cut.svg", false, false},
    {C::Copy, "复制", ":/icons/copy.svg", false, false},
    {C::Paste, "粘贴", ":/icons/paste.svg", true, false},
}};

// The tables are indexed by their enums; catch a reordering at compile time.
constexpr bool commandsInOrder() {
  for (int i = 0; i < kCommandCount; ++i)
    if (static_cast<int>(kCommands[i].id) != i) return false;
  for (int i = 0; i < kMenuCount; ++i)
    if (static_cast<int>(kMenus[i].id) != i) return false;
  return true;
}
static_assert(commandsInOrder());

}  // namespace

std::span<const MenuInfo> menuTable() { return kMenus; }
std::span<const CommandInfo> commandTable() { return kCommands; }
std::span<const ToolButtonInfo> toolbarTable() { return kButtons; }

}  // namespace torvanel
