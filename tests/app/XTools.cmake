# The small X clients that drive and watch the real program: one closes its
# window as a window manager would, one pings it to time its answers. The
# tests and the benchmarks both use them; whichever comes first defines them.
# They go to tools/ so that the benchmark runner does not take them for
# benchmarks.
find_package(X11)
if(X11_FOUND AND NOT TARGET trimora_ping_window)
  add_executable(trimora_close_window ${CMAKE_CURRENT_LIST_DIR}/CloseWindow.cpp)
  add_executable(trimora_ping_window ${CMAKE_CURRENT_LIST_DIR}/PingWindow.cpp)
  foreach(tool trimora_close_window trimora_ping_window)
    target_link_libraries(${tool} PRIVATE X11::X11)
    set_target_properties(${tool} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
  endforeach()
endif()
