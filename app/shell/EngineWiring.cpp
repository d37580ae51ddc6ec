// The real capture engine behind the main window's ShellEngine seam.
#include "CaptureEngine.h"
#include "Form1.h"
#include "KorvexVideoDevice.h"

namespace quorvin {
namespace {

class EngineAdapter final : public ShellEngine {
 public:
  EngineAdapter(Settings& s, NamingState& n, ImagingControls& c, CaptureHost& host, const Clock& clock)
      : engine_(s, n, c, nullptr, host, clock) {}

  void SaveLiveImages() override { engine_.SaveLiveImages(); }
  void SaveHistoryImages() override { engine_.SaveHistoryImages(); }
  bool SelectDevice(int index, int position, bool store) override {
    return engine_.SelectDevice(index, position, store);
  }
  void UseOverlayIfAvailable() override { engine_.UseOverlayIfAvailable(); }
  SnapshotResult SaveSnapshot(const QString& folder) override { return engine_.SaveSnapshot(folder); }
  void AttachVideo(korvex::CKorvexCtrl* control) override {
    engine_.SetVideoDevice(nullptr);
    video_ = control ? std::make_unique<KorvexVideoDevice>(*control) : nullptr;
    engine_.SetVideoDevice(video_.get());
  }

 private:
  CaptureEngine engine_;
  std::unique_ptr<KorvexVideoDevice> video_;
};

}  // namespace

std::unique_ptr<ShellEngine> MakeCaptureEngine(Settings& s, NamingState& n, ImagingControls& c,
                                               CaptureHost& host, const Clock& clock) {
  return std::make_unique<EngineAdapter>(s, n, c, host, clock);
}

}  // namespace quorvin
