#pragma once
// Names for the positions inside the settings record's arrays. The file keys keep their numbers
// ("ch1(6) = "); everything else says what a position means. Plain enums in namespaces, so a name indexes
// a std::array directly and the numbers stay exactly those of the settings file.

namespace quorvin {

// ch1: on/off switches, on only when equal to 1.
namespace Switch {
enum Index : int {
  // The time stamp is drawn on this output.
  StampOnHalfImage = 1,
  StampOnHistoryImage = 2,
  StampOnLiveImage = 3,
  // This output is written.
  LiveThumbnail = 6,
  HalfImage = 7,
  LiveImage = 8,
  HistoryImage = 9,
  HistoryThumbnail = 10,
  // The logo is drawn on this output.
  LogoOnLiveImage = 11,
  LogoOnHalfImage = 12,
  LogoOnHistoryImage = 13,
  UseLogoMask = 14,
  // Effects on the frame; the ones with a value take it from efct.
  Sharpen = 17,
  Intensity = 18,
  Invert = 19,
  Flip = 20,
  Mirror = 21,
  Median = 22,
  Oilify = 23,
  Mosaic = 24,
  Average = 25,
  Gamma = 26,
  CaptureActive = 28,  // the scheduler captures at all
  StartInTray = 29,

  FirstEffect = Sharpen,
  LastEffect = Gamma,
};
}  // namespace Switch

// op3: option groups, each holding the index of the chosen button.
namespace Option {
enum Index : int {
  HistoryIntervalPreset = 0,  // 0 10 min, 1 30 min, 2 60 min, 3 manual
  Source = 1,                 // 0 TWAIN, 1 video device
  TextPlacement = 2,          // 0..8, the stamp text's place in its area
  LogoPlacement = 3,          // 0..8, the logo's place on the image grid
  TextStyle = 5,
  ColourDepth = 8,   // first of five: op3[ColourDepth + output], 0 24 bit, 1 8 bit
  PartTime = 16,     // 0 full time, 1 only between StartTime and EndTime
  ColourModel = 17,  // 0 RGB, 1 CMYK, 2 no gamma correction
  Turn = 18,         // 0, 90, 180, 270 degrees
};
}  // namespace Option

// op2: date and time format choices (list positions of the format lists).
namespace Format {
enum Index : int {
  FolderDate1 = 0,
  FolderDate2 = 1,  // a date or the hour
  FileDate = 2,
  FileTime = 3,
  StampDate = 4,
  StampTime = 5,
  // A second image's names: loaded, shown and saved, but no name is built from them.
  Image2FolderDate1 = 6,
  Image2FolderDate2 = 7,
  Image2FileDate = 8,
  Image2FileTime = 9,

  Count = 10,  // the format lists on the window
};
}  // namespace Format

// efct: the value of each effect that takes one.
namespace Effect {
enum Index : int {
  Sharpen = 0,
  Median = 1,
  Oilify = 2,
  Mosaic = 3,
  Average = 4,
  Gamma = 5,

  Count = 6,  // the effects with a value and a slider
};
}  // namespace Effect

// The five outputs of a capture: zoom, rezo, BitsPerPixel and the colour depth options are indexed by
// them, LiFiName by the three live ones.
namespace Output {
enum Index : int {
  LiveImage = 0,
  LiveThumbnail = 1,
  HalfImage = 2,
  HistoryImage = 3,
  HistoryThumbnail = 4,

  LiveCount = 3,
  Count = 5,
};
}  // namespace Output

}  // namespace quorvin
