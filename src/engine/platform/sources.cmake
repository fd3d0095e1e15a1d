# The plain part (files, diagnostics, the status line's sink, text codecs, the result type) is
# its own library, pixmill_platform, which every other library stands on.
list(APPEND PIXMILL_PLATFORM_SOURCES
  platform/diagnostics.cpp
  platform/file_bytes.cpp
  platform/file_ops.cpp
  platform/safe_rewrite.cpp
  platform/status.cpp
  platform/text_codec.cpp)
# Qt-facing helpers of the platform layer: paths, the order of file names, and the desktop
# services (default program, image editor, file manager over D-Bus, trash).
list(APPEND PIXMILL_ENGINE_SOURCES
  platform/home_trash.cpp
  platform/item_shell.cpp
  platform/name_order.cpp
  platform/native_path.cpp)
