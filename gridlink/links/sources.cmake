list(APPEND GRIDLINK_SOURCES
  links/Framing.cpp
)
