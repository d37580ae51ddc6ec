// Start-up with a working scanner layer that offers no source (SANE with no backend).
#include "ShellTestSupport.h"

#include <QComboBox>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

TEST(StartupWithoutScanners, TwainListShowsNoDevicesWithNoSelection) {
  Shell shell(false, 1);
  ASSERT_TRUE(shell.form().Form_Load());
  auto* list = shell.Find<QComboBox>("Combo3_0");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->itemText(0), "No Devices");
  EXPECT_EQ(list->currentIndex(), -1);
  // The video side is untouched by it.
  EXPECT_EQ(shell.Find<QComboBox>("Combo3_1")->currentIndex(), 0);
}

}  // namespace
}  // namespace quorvin::test
