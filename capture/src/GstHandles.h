#pragma once
// Owning handles for the GStreamer and GLib objects the capture code holds.

#include <gst/gst.h>

#include <QString>
#include <memory>

namespace korvex {

struct GstObjectDeleter {
  void operator()(gpointer p) const {
    if (p) gst_object_unref(p);
  }
};
// A pipeline is stopped before its last reference goes, so no streaming thread outlives it.
struct PipelineDeleter {
  void operator()(GstElement* p) const {
    if (!p) return;
    gst_element_set_state(p, GST_STATE_NULL);
    gst_object_unref(p);
  }
};
struct SampleDeleter {
  void operator()(GstSample* p) const {
    if (p) gst_sample_unref(p);
  }
};
struct CapsDeleter {
  void operator()(GstCaps* p) const {
    if (p) gst_caps_unref(p);
  }
};
struct ErrorDeleter {
  void operator()(GError* p) const {
    if (p) g_error_free(p);
  }
};
struct GFreeDeleter {
  void operator()(gpointer p) const { g_free(p); }
};
struct StructureDeleter {
  void operator()(GstStructure* p) const {
    if (p) gst_structure_free(p);
  }
};

using ElementPtr = std::unique_ptr<GstElement, GstObjectDeleter>;
using PipelinePtr = std::unique_ptr<GstElement, PipelineDeleter>;
using BusPtr = std::unique_ptr<GstBus, GstObjectDeleter>;
using PadPtr = std::unique_ptr<GstPad, GstObjectDeleter>;
using DevicePtr = std::unique_ptr<GstDevice, GstObjectDeleter>;
using DeviceMonitorPtr = std::unique_ptr<GstDeviceMonitor, GstObjectDeleter>;
using SamplePtr = std::unique_ptr<GstSample, SampleDeleter>;
using CapsPtr = std::unique_ptr<GstCaps, CapsDeleter>;
using ErrorPtr = std::unique_ptr<GError, ErrorDeleter>;
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;
using StructurePtr = std::unique_ptr<GstStructure, StructureDeleter>;

// GStreamer is set up once per process, the first time a capture object needs it.
void EnsureGstInitialised();

inline QString ToQString(const gchar* s) {
  return s ? QString::fromUtf8(s) : QString();
}

}  // namespace korvex
