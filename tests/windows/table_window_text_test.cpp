// A table window's caption, window-list entry, status texts and place.

#include "app/windows/table_window_text.h"

#include <gtest/gtest.h>

namespace torvanel {
namespace {

TEST(TableWindowText, CaptionsNameTheOrder) {
  const QString db = QStringLiteral("DEMO");
  EXPECT_EQ(tableWindowCaption(db, "PRODUCT.DB", "PRODNO", ""),
            QStringLiteral("数据表:[DEMO]PRODUCT.DB(PRODNO)"));
  EXPECT_EQ(tableWindowCaption(db, "CUSTOMER.DBF", "", "UPCITY"),  // an expression tag by name
            QStringLiteral("数据表:[DEMO]CUSTOMER.DBF(UPCITY)"));
  EXPECT_EQ(tableWindowCaption(db, "SUPPLIER.TXT", "", ""),
            QStringLiteral("数据表:[DEMO]SUPPLIER.TXT()"));
  EXPECT_EQ(tableWindowCaption(db, "T.DBF", "A;B", "IGNORED"),
            QStringLiteral("数据表:[DEMO]T.DBF(A;B)"));
  EXPECT_EQ(windowListEntry(0, QStringLiteral("数据表:[DEMO]T.DBF()")),
            QStringLiteral("<0> 数据表:[DEMO]T.DBF()"));
}

TEST(TableWindowText, StatusPanels) {
  EXPECT_EQ(recordPositionText(3, 120), QStringLiteral("3/120"));
  EXPECT_EQ(bufferStateText(true), QStringLiteral("使用缓冲"));
  EXPECT_EQ(bufferStateText(false), QStringLiteral("未用缓冲"));
}

TEST(TableWindowText, WindowsStepRightWhileTheClientAreaIsWideEnough) {
  // A client area 250 wide: the third window (slot 2) at 200, the fourth (slot 3) at 0.
  EXPECT_EQ(tableWindowGeometry(250, 600, 30, 2), QRect(200, 0, 125, 566));
  EXPECT_EQ(tableWindowGeometry(250, 600, 30, 3).left(), 0);
  EXPECT_EQ(tableWindowGeometry(251, 600, 30, 0).width(), 126);  // 125.5 rounds to even
  EXPECT_EQ(tableWindowGeometry(253, 600, 30, 0).width(), 126);  // 126.5 rounds to even
}

}  // namespace
}  // namespace torvanel
