list(APPEND PIXMILL_GUI_SOURCES
  app/about_dialog.cpp
  app/batch_results.cpp
  app/anchor_layout.cpp
  app/content_dialog.cpp
  app/main_dialog.cpp
  app/main_menus.cpp
  app/options_dialog.cpp
  app/pixmill_app.cpp
  app/tool_panels.cpp
  app/status_bar_sink.cpp
  app/toolbar_icons.cpp)
