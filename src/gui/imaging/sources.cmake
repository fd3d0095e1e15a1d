list(APPEND PIXMILL_GUI_SOURCES
  imaging/thumbnail_dlg.cpp
  imaging/clip_image_dlg.cpp)
