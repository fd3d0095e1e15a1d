list(APPEND PIXMILL_PLAIN_SOURCES
  app/legacy_ini.cpp)
list(APPEND PIXMILL_ENGINE_SOURCES
  app/app_info.h
  app/app_paths.cpp
  app/profile.cpp
  app/app_settings.cpp
  app/object_thread.cpp)
