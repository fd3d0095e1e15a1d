list(APPEND PIXMILL_GUI_SOURCES
  jpegmeta/batch_commands.cpp
  jpegmeta/update_time_dlg.cpp
  jpegmeta/add_comments_dlg.cpp)
