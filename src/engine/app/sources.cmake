list(APPEND PIXMILL_PLAIN_SOURCES)
list(APPEND PIXMILL_ENGINE_SOURCES
  app/app_info.h
  app/app_paths.cpp)
