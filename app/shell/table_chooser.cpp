#include "app/shell/table_chooser.h"

#include <QScreen>
#include <array>

#include "app/shell/splash_window.h"

namespace torvanel {

namespace {

constexpr std::array<ChooserModeInfo, 9> kModes{{
    {"dk", 'n', "打开数据表"},
    {"xj", 'y', "新建数据表"},
    {"zk", 'z', "选择项目主表"},
    {"fk", 'f', "选择项目辅助表"},
    {"hz", 'h', "选择汇总输出文件"},
    {"fz", 'c', "选择复制输出文件"},
    {"zj", 'j', "选择追加输出文件"},
    {"ar", 'a', "选择输入文件"},
    {"sx", 's', "选择输出文件"},
}};

}  // namespace

std::span<const ChooserModeInfo> chooserModes() { return kModes; }

const ChooserModeInfo* chooserModeFor(const QString& code) {
  for (const ChooserModeInfo& m : kModes)
    if (code == QLatin1String(m.code)) return &m;
  return nullptr;
}

TForm01::TForm01(QWidget* mainWindow) : QDialog(mainWindow) {
  setObjectName(QStringLiteral("TForm01"));
  setWindowTitle(QString::fromUtf8(kModes[0].caption));
  setModal(false);
  resize(kWidth, kFullHeight);
  move(TForm00::centredOn(screen()->geometry().size(), size()));
  resize(kWidth, kCollapsedHeight);
}

void TForm01::chooseFor(const char* code) {
  if (const ChooserModeInfo* m = chooserModeFor(QLatin1String(code))) {
    mode_ = m->mode;
    setWindowTitle(QString::fromUtf8(m->caption));
  }
  show();
  raise();
  activateWindow();
}

}  // namespace torvanel
