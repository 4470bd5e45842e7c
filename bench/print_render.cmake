# Time to capture the counter dialog and render its printed page (A4 at
# 600 dpi) as a PDF job and as a raster page.
if(TARGET lumo_app)
  add_executable(print_render ${CMAKE_CURRENT_LIST_DIR}/print_render.cpp)
  target_link_libraries(print_render PRIVATE lumo_app)
endif()
