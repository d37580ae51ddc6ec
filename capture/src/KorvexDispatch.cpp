// The dispatch interface: every member of _DKorvex reached by its identifier.
#include <korvex/KorvexCtrl.h>

#include <functional>

namespace korvex {

namespace {

using Error = DispatchResult::Error;

DispatchResult Fail(Error error) {
  return DispatchResult{error, {}};
}
DispatchResult Value(QVariant value) {
  return DispatchResult{Error::None, std::move(value)};
}

bool ToInt(const QVariant& v, int* out) {
  bool ok = false;
  const qlonglong value = v.toLongLong(&ok);
  if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return false;
  *out = static_cast<int>(value);
  return true;
}

bool ToBool(const QVariant& v, bool* out) {
  if (!v.canConvert<bool>()) return false;
  *out = v.toBool();
  return true;
}

}  // namespace

DispatchResult CKorvexCtrl::Invoke(int dispId, DispatchKind kind, const QVariantList& args) {
  const bool get = kind == DispatchKind::PropertyGet;
  const bool put = kind == DispatchKind::PropertyPut;
  const bool call =
      kind == DispatchKind::Method || get;  // a method with a result may be read like a property

  // Read-write properties: (getter, setter) pairs by type.
  auto bool_property = [&](bool value, void (CKorvexCtrl::*setter)(bool)) -> DispatchResult {
    if (get) return args.isEmpty() ? Value(value) : Fail(Error::BadParamCount);
    if (!put) return Fail(Error::UnknownMember);
    if (args.size() != 1) return Fail(Error::BadParamCount);
    bool v;
    if (!ToBool(args[0], &v)) return Fail(Error::TypeMismatch);
    (this->*setter)(v);
    return Value({});
  };
  auto int_property = [&](int value, void (CKorvexCtrl::*setter)(int)) -> DispatchResult {
    if (get) return args.isEmpty() ? Value(value) : Fail(Error::BadParamCount);
    if (!put) return Fail(Error::UnknownMember);
    if (args.size() != 1) return Fail(Error::BadParamCount);
    int v;
    if (!ToInt(args[0], &v)) return Fail(Error::TypeMismatch);
    (this->*setter)(v);
    return Value({});
  };
  auto read_only = [&](QVariant value) -> DispatchResult {
    if (put) return Fail(Error::SetNotSupported);
    if (!get) return Fail(Error::UnknownMember);
    return args.isEmpty() ? Value(std::move(value)) : Fail(Error::BadParamCount);
  };
  auto method = [&](int count, const std::function<QVariant()>& body) -> DispatchResult {
    if (!call) return Fail(Error::UnknownMember);
    if (args.size() != count) return Fail(Error::BadParamCount);
    return Value(body());
  };
  auto string_arg = [&]() { return args.value(0).toString(); };

  switch (dispId) {
    case kDispCenterWindow:
      return bool_property(centerWindow_, &CKorvexCtrl::SetCenterWindow);
    case kDispCaptureFilePath:
      if (put && args.size() == 1 && !args[0].canConvert<QString>()) return Fail(Error::TypeMismatch);
      if (put && args.size() == 1) {
        SetCaptureFilePath(args[0].toString());
        return Value({});
      }
      if (put) return Fail(Error::BadParamCount);
      if (get) return args.isEmpty() ? Value(captureFilePath_) : Fail(Error::BadParamCount);
      return Fail(Error::UnknownMember);
    case kDispPreview:
      return bool_property(preview_, &CKorvexCtrl::SetPreview);
    case kDispWithAudio:
      return bool_property(withAudio_, &CKorvexCtrl::SetWithAudio);
    case kDispFrames:
      return int_property(frames_, &CKorvexCtrl::SetFrames);
    case kDispStatusHWND: {
      if (get) return args.isEmpty() ? Value(statusHWND_) : Fail(Error::BadParamCount);
      if (!put) return Fail(Error::UnknownMember);
      if (args.size() != 1) return Fail(Error::BadParamCount);
      bool ok = false;
      const qint64 handle = args[0].toLongLong(&ok);
      if (!ok) return Fail(Error::TypeMismatch);
      SetStatusHWND(handle);
      return Value({});
    }
    case kDispConfirmWindow:
      return bool_property(confirmWindow_, &CKorvexCtrl::SetConfirmWindow);
    case kDispLimitEnabled:
      return bool_property(limitEnabled_, &CKorvexCtrl::SetLimitEnabled);
    case kDispLimitTime:
      return int_property(limitTime_, &CKorvexCtrl::SetLimitTime);
    case kDispUseVideoOverlay:
      return bool_property(useVideoOverlay_, &CKorvexCtrl::SetUseVideoOverlay);
    case kDispPreviewRate:
      return int_property(previewRate_, &CKorvexCtrl::SetPreviewRate);
    case kDispDeviceIndex:
      return int_property(deviceIndex_, &CKorvexCtrl::SetDeviceIndex);
    case kDispVideoFormat:
      return read_only(GetVideoFormat());
    case kDispVideoSource:
      return read_only(GetVideoSource());
    case kDispVideoDisplay:
      return read_only(GetVideoDisplay());
    case kDispVideoOverlay:
      return read_only(GetVideoOverlay());
    case kDispVideoWidth:
      return int_property(GetVideoWidth(), &CKorvexCtrl::SetVideoWidth);
    case kDispVideoHeight:
      return int_property(GetVideoHeight(), &CKorvexCtrl::SetVideoHeight);
    case kDispNumDrivers:
      return read_only(GetNumDrivers());
    case kDispSave:
      return method(1, [&] { return QVariant(Save(string_arg())); });
    case kDispStartCapture:
      return method(0, [&] {
        StartCapture();
        return QVariant();
      });
    case kDispDlgVideoFormat:
      return method(0, [&] {
        DlgVideoFormat();
        return QVariant();
      });
    case kDispDlgVideoSource:
      return method(0, [&] {
        DlgVideoSource();
        return QVariant();
      });
    case kDispDlgAudioFormat:
      return method(0, [&] {
        DlgAudioFormat();
        return QVariant();
      });
    case kDispDlgVideoDisplay:
      return method(0, [&] {
        DlgVideoDisplay();
        return QVariant();
      });
    case kDispSaveDIB:
      return method(1, [&] {
        SaveDIB(string_arg());
        return QVariant();
      });
    case kDispEditCopy:
      return method(0, [&] {
        EditCopy();
        return QVariant();
      });
    case kDispCopyDIB: {
      if (!call) return Fail(Error::UnknownMember);
      if (args.size() != 1) return Fail(Error::BadParamCount);
      bool ok = false;
      const qlonglong dc = args[0].toLongLong(&ok);
      if (!ok) return Fail(Error::TypeMismatch);
      return Value(CopyDIB(static_cast<qintptr>(dc)));
    }
    case kDispDeviceNameList: {
      if (put) return Fail(Error::SetNotSupported);
      if (args.size() != 1) return Fail(Error::BadParamCount);
      int index;
      if (!ToInt(args[0], &index)) return Fail(Error::TypeMismatch);
      return Value(DeviceNameList(index));
    }
    case kDispBackColor:
      if (get) return args.isEmpty() ? Value(backColor_) : Fail(Error::BadParamCount);
      if (!put) return Fail(Error::UnknownMember);
      if (args.size() != 1) return Fail(Error::BadParamCount);
      if (!args[0].canConvert<QColor>()) return Fail(Error::TypeMismatch);
      SetBackColor(args[0].value<QColor>());
      return Value({});
    case kDispBorderStyle:
      return int_property(borderStyle_, &CKorvexCtrl::SetBorderStyle);
    case kDispAppearance:
      return int_property(appearance_, &CKorvexCtrl::SetAppearance);
    case kDispAboutBox:
      return method(0, [&] {
        AboutBox();
        return QVariant();
      });
    default:
      return Fail(Error::UnknownMember);
  }
}

}  // namespace korvex
