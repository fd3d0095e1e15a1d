# Sources of this subsystem: plain C++ into pixmill_plain, the rest into pixmill_engine.
list(APPEND PIXMILL_PLAIN_SOURCES
  watermark/layout_archive.cpp
  watermark/watermark_library.cpp)
list(APPEND PIXMILL_ENGINE_SOURCES
  watermark/watermark_layer.cpp
  watermark/watermark_text.cpp
  watermark/control_tracker.cpp
  watermark/watermark_batch.cpp
  watermark/watermark_options.cpp
  watermark/layout_library.cpp)
