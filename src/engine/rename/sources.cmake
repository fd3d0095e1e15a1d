# Sources of this subsystem: plain C++ into pixmill_plain, the rest into pixmill_engine.
list(APPEND PIXMILL_PLAIN_SOURCES
  rename/file_name.cpp
  rename/rename_batch.cpp
  rename/rename_plan.cpp
  rename/tags.cpp
  rename/value_format.cpp)
list(APPEND PIXMILL_ENGINE_SOURCES
  rename/file_digest.cpp
  rename/rename_job.cpp)
