list(APPEND PIXMILL_PLAIN_SOURCES
  platform/diagnostics.cpp
  platform/file_bytes.cpp
  platform/file_ops.cpp
  platform/safe_rewrite.cpp
  platform/status.cpp
  platform/text_codec.cpp)
# Qt-facing helpers of the platform layer: paths, and the desktop services (default program,
# image editor, file manager over D-Bus, trash).
list(APPEND PIXMILL_ENGINE_SOURCES
  platform/home_trash.cpp
  platform/item_shell.cpp
  platform/native_path.cpp)
