# The lumotool program: resources and the start options into the application
# library (the tests use them too), main() and the demo simulator into the
# executable.
target_sources(lumo_app PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/lumotool.qrc
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/resources.h
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/resources.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/start_options.h
  ${CMAKE_CURRENT_SOURCE_DIR}/start_options.cpp)

add_executable(lumotool main.cpp)
target_link_libraries(lumotool PRIVATE lumo_app gardosim_core)
