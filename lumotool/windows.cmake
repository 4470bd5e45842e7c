# Windows only: the port list asks the device manager (SetupAPI).
if(WIN32)
  target_link_libraries(lumo_core PUBLIC setupapi)
endif()
