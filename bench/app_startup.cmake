# Start-up time to the login dialog, memory with the main dialog open, and
# one main dialog refresh at 4800 baud against gardosim.
if(TARGET lumo_app AND TARGET gardosim_core)
  add_executable(app_startup ${CMAKE_CURRENT_LIST_DIR}/app_startup.cpp)
  target_link_libraries(app_startup PRIVATE lumo_app gardosim_core)
endif()
