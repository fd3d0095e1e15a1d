list(APPEND PIXMILL_GUI_SOURCES
  controls/path_dialog.cpp)
