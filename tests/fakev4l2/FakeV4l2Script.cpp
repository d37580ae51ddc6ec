// Reading the fake camera script (its format is in FakeV4l2.h).
#include "FakeV4l2.h"

#include <linux/videodev2.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace fakev4l2 {

namespace {

const std::map<std::string, unsigned> kControlNames = {
    {"brightness", V4L2_CID_BRIGHTNESS},
    {"gain", V4L2_CID_GAIN},
    {"white_balance_auto", V4L2_CID_AUTO_WHITE_BALANCE},
    {"white_balance_temperature", V4L2_CID_WHITE_BALANCE_TEMPERATURE},
    {"power_line_frequency", V4L2_CID_POWER_LINE_FREQUENCY},
    {"backlight_compensation", V4L2_CID_BACKLIGHT_COMPENSATION},
    {"exposure_auto", V4L2_CID_EXPOSURE_AUTO},
    {"exposure_absolute", V4L2_CID_EXPOSURE_ABSOLUTE},
    {"focus_auto", V4L2_CID_FOCUS_AUTO},
    {"focus_absolute", V4L2_CID_FOCUS_ABSOLUTE},
    {"pan_relative", V4L2_CID_PAN_RELATIVE},
    {"tilt_relative", V4L2_CID_TILT_RELATIVE},
};

// Whitespace-separated words; a double-quoted stretch belongs to its word, without the quotes.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  bool quoted = false, open = false;
  for (char c : line) {
    if (!quoted && c == '#') break;
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == ' ' || c == '\t')) {
      open = false;
    } else {
      if (!open) words.emplace_back();
      open = true;
      if (c != '"') words.back() += c;
    }
  }
  return words;
}

int Number(const std::string& text) {
  size_t used = 0;
  const int value = std::stoi(text, &used, 0);
  if (used != text.size()) throw std::invalid_argument("not a number: " + text);
  return value;
}

std::pair<int, int> Size(const std::string& text) {
  int w = 0, h = 0;
  char rest = 0;
  if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &rest) != 2)
    throw std::invalid_argument("not a size: " + text);
  return {w, h};
}

Format ParseFormat(const std::vector<std::string>& w) {
  if (w.size() < 3 || (w[1] != "YUYV" && w[1] != "MJPG"))
    throw std::invalid_argument("format YUYV|MJPG sizes");
  Format f;
  f.fourcc = w[1] == "YUYV" ? V4L2_PIX_FMT_YUYV : V4L2_PIX_FMT_MJPEG;
  for (size_t i = 2; i < w.size(); ++i) {
    const auto dash = w[i].find('-'), slash = w[i].find('/');
    if (w[i][0] == '@') {
      f.fps.push_back(Number(w[i].substr(1)));
    } else if (dash != std::string::npos && slash != std::string::npos) {  // min-max/step
      std::tie(f.minW, f.minH) = Size(w[i].substr(0, dash));
      std::tie(f.maxW, f.maxH) = Size(w[i].substr(dash + 1, slash - dash - 1));
      std::tie(f.stepW, f.stepH) = Size(w[i].substr(slash + 1));
      f.stepwise = true;
    } else {
      f.sizes.push_back(Size(w[i]));
    }
  }
  return f;
}

Control ParseControl(const std::vector<std::string>& w) {
  static const std::map<std::string, unsigned> types = {
      {"int", V4L2_CTRL_TYPE_INTEGER}, {"bool", V4L2_CTRL_TYPE_BOOLEAN}, {"menu", V4L2_CTRL_TYPE_MENU}};
  if (w.size() < 8 || !types.count(w[2]))
    throw std::invalid_argument("control name int|bool|menu label min max step default ...");
  Control c;
  std::tie(c.id, c.type, c.label) = std::tuple(ControlId(w[1]), types.at(w[2]), w[3]);
  std::tie(c.minimum, c.maximum, c.step, c.defaultValue) =
      std::tuple(Number(w[4]), Number(w[5]), Number(w[6]), Number(w[7]));
  for (size_t i = 8; i < w.size(); ++i) {
    const auto eq = w[i].find('=');
    if (w[i] == "write-only") {
      c.writeOnly = true;
    } else if (w[i] == "volatile") {
      c.isVolatile = true;
    } else if (w[i] == "refuses") {
      c.refuses = true;
    } else if (w[i] == "inactive-when" && i + 1 < w.size()) {
      const std::string& condition = w[++i];
      c.inactiveWhenId = ControlId(condition.substr(0, condition.find('=')));
      c.inactiveWhenValue = Number(condition.substr(condition.find('=') + 1));
    } else if (eq != std::string::npos) {
      c.items[Number(w[i].substr(0, eq))] = w[i].substr(eq + 1);
    } else {
      throw std::invalid_argument("unknown control option " + w[i]);
    }
  }
  return c;
}

void ParseStatement(const std::vector<std::string>& w, std::vector<Node>& nodes) {
  const std::string& key = w[0];
  if (key == "camera" || key == "metadata") {
    if (w.size() != 2 && !(key == "metadata" && w.size() == 4 && w[2] == "of"))
      throw std::invalid_argument("camera PATH or metadata PATH of CAMERA-PATH");
    Node node;
    for (const Node& camera : nodes)
      if (w.size() == 4 && camera.path == w[3]) node = camera;  // the same card, bus and USB identity
    node.path = w[1];
    node.metadata = key == "metadata";
    node.formats.clear();
    node.controls.clear();
    nodes.push_back(node);
    return;
  }
  if (nodes.empty()) throw std::invalid_argument("describe a camera or metadata node first");
  Node& n = nodes.back();
  const std::string value = w.size() > 1 ? w[1] : std::string();
  if (key == "card") {
    n.card = value;
  } else if (key == "bus") {
    n.bus = value;
  } else if (key == "driver" && w.size() == 3) {
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(w[2].c_str(), "%u.%u.%u", &major, &minor, &patch);
    n.driver = value;
    n.version = (major << 16) | (minor << 8) | patch;
  } else if (key == "usb") {
    n.usb = value;
  } else if (key == "serial") {
    n.serial = value;
  } else if (key == "start") {
    n.startMs = Number(value);
  } else if (key == "frames") {
    n.frames = Number(value);
  } else if (key == "busy") {
    n.busy = true;
  } else if (key == "format") {
    n.formats.push_back(ParseFormat(w));
  } else if (key == "control") {
    n.controls.push_back(ParseControl(w));
  } else {
    throw std::invalid_argument("unknown statement " + key);
  }
}

}  // namespace

unsigned ControlId(const std::string& name) {
  const auto known = kControlNames.find(name);
  return known != kControlNames.end() ? known->second : static_cast<unsigned>(std::stoul(name, nullptr, 0));
}

std::vector<Node> Parse(const std::string& script, std::string* error) {
  std::vector<Node> nodes;
  std::istringstream in(script);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    try {
      if (const auto words = Words(line); !words.empty()) ParseStatement(words, nodes);
    } catch (const std::exception& e) {
      if (error) *error = "line " + std::to_string(number) + ": " + e.what();
      return {};
    }
  }
  return nodes;
}

}  // namespace fakev4l2
