# Sources of this subsystem: plain C++ into pixmill_plain, the rest into pixmill_engine.
list(APPEND PIXMILL_PLAIN_SOURCES)
list(APPEND PIXMILL_ENGINE_SOURCES
  update/address_opener.cpp
  update/daily_tips.cpp
  update/file_download.cpp
  update/fixed_addresses.cpp
  update/http_get.cpp
  update/redirects.cpp
  update/menu_links.cpp
  update/share_links.cpp
  update/skin_library.cpp
  update/transfer_meter.cpp
  update/update_check.cpp
  update/update_feed.cpp
  update/update_install.cpp
  update/worker_thread.h)
