list(APPEND PIXMILL_GUI_SOURCES
  rename/rename_image_dlg.cpp
  rename/rename_preview_dlg.cpp)
