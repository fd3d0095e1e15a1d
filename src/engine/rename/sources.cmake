# Sources of this subsystem: plain C++ into pixmill_plain, the rest into pixmill_engine.
# The tag expansion is written in plain C++, but the <md5> tag hashes files through
# QCryptographicHash, so it and what expands tags (the rename plan and batch) link with the
# engine library.
list(APPEND PIXMILL_PLAIN_SOURCES
  rename/file_name.cpp
  rename/rename_journal.cpp
  rename/value_format.cpp)
list(APPEND PIXMILL_ENGINE_SOURCES
  rename/file_digest.cpp
  rename/rename_batch.cpp
  rename/rename_job.cpp
  rename/rename_plan.cpp
  rename/tags.cpp)
