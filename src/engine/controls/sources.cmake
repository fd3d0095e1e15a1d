list(APPEND PIXMILL_PLAIN_SOURCES
  controls/folder_check.cpp)
