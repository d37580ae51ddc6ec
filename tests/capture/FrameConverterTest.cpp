// Device frames into pictures: raw and JPEG, painted into a host's picture at their own size, and shrunk
// for a smaller preview before their colours are converted.
#include "FrameConverter.h"
#include "KorvexTestSupport.h"

#include <gst/app/gstappsink.h>

#include <string>

namespace korvex::test {

namespace {

// One 1280 x 720 frame of the bars as a device would send it: YUY2, or JPEG (full-range, as cameras
// encode it, so made from RGB).
std::unique_ptr<Frame> DeviceFrame(bool jpeg) {
  EnsureGstInitialised();
  const std::string text = std::string("videotestsrc num-buffers=1 ! video/x-raw,format=") +
                           (jpeg ? "BGRx" : "YUY2") + ",width=1280,height=720 ! " +
                           (jpeg ? "jpegenc quality=95 ! " : "") + "appsink name=out";
  GError* raw = nullptr;
  PipelinePtr pipeline(gst_parse_launch(text.c_str(), &raw));
  ErrorPtr error(raw);
  ElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 5 * GST_SECOND);
  return sample ? std::make_unique<Frame>(sample, 1) : nullptr;
}

}  // namespace

class FrameConverterTest : public KorvexTest {};

TEST_F(FrameConverterTest, RawAndJpegFramesPaintAtTheirOwnSizeAndShrinkForASmallerView) {
  FrameConverter converter;
  for (bool jpeg : {false, true}) {
    SCOPED_TRACE(jpeg ? "JPEG" : "YUY2");
    const auto frame = DeviceFrame(jpeg);
    ASSERT_TRUE(frame && frame->Valid());
    EXPECT_EQ(frame->jpeg, jpeg);

    QImage large(1400, 800, QImage::Format_RGB32);
    large.fill(Qt::magenta);
    ASSERT_TRUE(converter.PaintInto(*frame, large));
    ExpectSmpteBars(large.copy(0, 0, 1280, 720), 16);
    EXPECT_EQ(large.pixel(1350, 780), QColor(Qt::magenta).rgb());  // at (0, 0), at its own size

    QImage small(200, 100, QImage::Format_RGB32);
    ASSERT_TRUE(converter.PaintInto(*frame, small));  // clipped
    EXPECT_TRUE(Near(MeanColor(small, 50, 50), kSmpteBars[0], 16));
    EXPECT_TRUE(Near(MeanColor(small, 190, 50), kSmpteBars[1], 16));

    // A quarter of the size is reached by scaling in the device's own layout or by the decoder.
    QImage preview;
    ASSERT_TRUE(converter.Preview(*frame, QSize(320, 180), preview));
    EXPECT_EQ(preview.size(), QSize(320, 180));
    ExpectSmpteBars(preview, 16);
    ASSERT_TRUE(converter.Preview(*frame, QSize(1920, 1080), preview));
    EXPECT_EQ(preview.size(), QSize(1280, 720));
  }
}

TEST_F(FrameConverterTest, CorruptJpegIsRefusedAndLeavesTheHostAsItWas) {
  auto frame = DeviceFrame(true);
  ASSERT_TRUE(frame);
  GstBuffer* cut = gst_buffer_new_allocate(nullptr, 64, nullptr);
  gst_buffer_memset(cut, 0, 0x5A, 64);
  GstSample* broken = gst_sample_new(cut, gst_sample_get_caps(frame->sample.get()), nullptr, nullptr);
  gst_buffer_unref(cut);
  const Frame garbage(broken, 2);
  FrameConverter converter;
  QImage host(1280, 720, QImage::Format_RGB32);
  host.fill(Qt::magenta);
  EXPECT_FALSE(converter.PaintInto(garbage, host));
  EXPECT_EQ(host.pixel(640, 360), QColor(Qt::magenta).rgb());
  EXPECT_TRUE(converter.ToImage(garbage).isNull());
}

}  // namespace korvex::test
