# Sources of this subsystem: plain C++ into pixmill_plain, the rest into pixmill_engine.
list(APPEND PIXMILL_PLAIN_SOURCES
  batch/batch_table.cpp
  batch/work_gate.cpp)
list(APPEND PIXMILL_ENGINE_SOURCES
  batch/batch_driver.cpp
  batch/batch_starter.cpp)
