# Sources of this subsystem: plain C++ into pixmill_plain, the rest into pixmill_engine.
list(APPEND PIXMILL_PLAIN_SOURCES)
list(APPEND PIXMILL_ENGINE_SOURCES)
