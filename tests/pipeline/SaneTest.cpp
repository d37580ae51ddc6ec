// Scanner-class sources on SANE's test backend, configured in a folder of the test's own.

#include "ImagingControl.h"
#include "ImagingError.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvin {
namespace {

class Sane : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // SANE reads its configuration once, when it starts; only the test backend, no network lookups.
    static QTemporaryDir config;
    QFile dll(config.filePath(QStringLiteral("dll.conf")));
    ASSERT_TRUE(dll.open(QIODevice::WriteOnly));
    dll.write("test\n");
    dll.close();
    qputenv("SANE_CONFIG_DIR", config.path().toLocal8Bit());
  }
};

TEST_F(Sane, ListsTheTestSourcesAndAcquiresAFrame) {
  ImagingControl c;
  ASSERT_EQ(c.TwainInit(0), 0);
  ASSERT_GE(c.TwainSourceCount(), 1);
  const QString name = c.TwainSourceNameAt(0);
  EXPECT_TRUE(name.startsWith(QLatin1String("test:"))) << name.toStdString();
  c.SetTwainSourceName(name);
  c.SetTwainSetting86(9120);
  c.SetTwainSetting85(12160);
  EXPECT_EQ(c.TwainAcquire(0), 0);
  EXPECT_EQ(c.BitsPerPixel(), 24);
  EXPECT_EQ(c.ImageWidth(), 314);  // the test backend's page at 100 dots per inch
  EXPECT_EQ(c.ImageHeight(), 393);

  c.SetTwainResolution(50);
  c.TwainAcquire(0);
  EXPECT_LT(c.ImageWidth(), 314);
}

TEST_F(Sane, UnknownSourcesAreErrors) {
  ImagingControl c;
  ASSERT_EQ(c.TwainInit(0), 0);
  try {
    c.TwainSourceNameAt(c.TwainSourceCount());
    FAIL() << "a source past the end was named";
  } catch (const ImagingError& e) {
    EXPECT_EQ(e.Code(), ErrorCode::TwainNoSource);
  }
  EXPECT_THROW(c.SetTwainSourceName(QStringLiteral("nothing:0")), ImagingError);
  ImagingControl unselected;
  EXPECT_THROW(unselected.TwainAcquire(0), ImagingError);
  EXPECT_FALSE(unselected.HasImage());
}

}  // namespace
}  // namespace quorvin
