# Fails when the committed dissector differs from the one the build generated.
file(READ ${GENERATED} generated)
file(READ ${COMMITTED} committed)
if(NOT generated STREQUAL committed)
  message(FATAL_ERROR "${COMMITTED} differs from the generated ${GENERATED}; "
                      "copy the generated file over it")
endif()
