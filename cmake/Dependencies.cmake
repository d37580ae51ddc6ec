# Every external dependency, found once. A missing one stops the configure step with its name.
include(FeatureSummary)
find_package(PkgConfig REQUIRED)

find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Network HttpServer Test LinguistTools)
set_package_properties(Qt6 PROPERTIES TYPE REQUIRED PURPOSE
  "windows, controls, dialogs, text drawing (qt6-base-dev), translations (qt6-tools-dev, qt6-l10n-tools),
   the web view (qt6-httpserver-dev)")
pkg_check_modules(SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)

pkg_check_modules(GST REQUIRED IMPORTED_TARGET gstreamer-1.0>=1.20 gstreamer-app-1.0 gstreamer-video-1.0 gstreamer-audio-1.0
                  gstreamer-pbutils-1.0)
pkg_check_modules(SANE REQUIRED IMPORTED_TARGET sane-backends)
pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)

# Debian ships CMake and pkg-config files for OpenCV only in the meta-package that pulls in every module.
find_path(OpenCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
find_library(OpenCV_CORE_LIBRARY opencv_core REQUIRED)
find_library(OpenCV_IMGPROC_LIBRARY opencv_imgproc REQUIRED)
add_library(quorvin_opencv INTERFACE)
target_include_directories(quorvin_opencv SYSTEM INTERFACE ${OpenCV_INCLUDE_DIR})
target_link_libraries(quorvin_opencv INTERFACE ${OpenCV_IMGPROC_LIBRARY} ${OpenCV_CORE_LIBRARY})
add_library(Quorvin::OpenCV ALIAS quorvin_opencv)

if(QUORVIN_TESTS)
  find_package(GTest REQUIRED)
  # The network cameras' tests serve RTSP on the loopback address (libgstrtspserver-1.0-dev).
  pkg_check_modules(GST_RTSP_SERVER REQUIRED IMPORTED_TARGET gstreamer-rtsp-server-1.0)
endif()
if(QUORVIN_BENCH)
  find_package(benchmark REQUIRED)
endif()
