# The optics' wallsim subcommands (run, photo, measure, scene) as a library the
# wallsim program links. Included from this folder's CMakeLists.txt.
set(_sim_tool_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(wallsim_commands STATIC
    ${_sim_tool_dir}/dispatch.cpp
    ${_sim_tool_dir}/photo_measure_commands.cpp
    ${_sim_tool_dir}/run_command.cpp
    ${_sim_tool_dir}/warp_input.cpp
    ${_sim_tool_dir}/board_link.cpp)
target_include_directories(wallsim_commands PUBLIC ${_sim_tool_dir})
target_link_libraries(wallsim_commands PUBLIC wallsim_truth wallsim_vcam wallsim_boardview)

vantis_add_test(NAME wallsim_commands_tests SOURCES ${_sim_tool_dir}/tests/commands_test.cpp LIBS wallsim_commands)

# The wall driven through the projector link (boards on 127.0.0.130-139).
vantis_add_test(NAME wallsim_link_tests SOURCES ${_sim_tool_dir}/tests/link_wall_test.cpp
    LIBS wallsim_truth wallsim_boardview dvOrvelAuto)
