list(APPEND PIXMILL_GUI_SOURCES
  update/credentials_dlg.cpp
  update/daily_tip_dlg.cpp
  update/http_download_dlg.cpp
  update/update_menu.cpp
  update/skin_controller.cpp
  update/update_controller.cpp)
