# The port information names a system error with the same text as the serial
# line trace: the trace helper's os_error_text().
target_link_libraries(lumo_core PRIVATE linktrace)
