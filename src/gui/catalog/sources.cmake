list(APPEND PIXMILL_GUI_SOURCES
  catalog/catalog_jobs.cpp
  catalog/catalog_views.cpp
  catalog/full_screen_preview.cpp
  catalog/home_trash.cpp
  catalog/image_list_commands.cpp
  catalog/image_list_dialog.cpp
  catalog/item_shell.cpp
  catalog/photo_summary.cpp)
