list(APPEND PIXMILL_GUI_SOURCES
  catalog/catalog_views.cpp
  catalog/full_screen_preview.cpp
  catalog/image_list_commands.cpp
  catalog/image_list_dialog.cpp)
