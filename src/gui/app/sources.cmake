list(APPEND PIXMILL_GUI_SOURCES
  app/main_dialog.cpp
  app/options_dialog.cpp
  app/pixmill_app.cpp
  app/status_bar_sink.cpp)
