# The program's pictures, animation clip and instrument names, made at build time from the
# readable sources in res/ by tools/make_assets.py. res/CMakeLists.txt includes this file and
# makes the resources depend on the target kadenzo_assets.
#   ${CMAKE_BINARY_DIR}/generated: kadenzo.ico, menu_pictures*.bmp (windres finds them there)
#   ${CMAKE_BINARY_DIR}/bin:       VederAze*.avi, Instrmnt.txt (beside the program)
include_guard(GLOBAL)
# The including folder is configured before the top level enables testing.
enable_testing()
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(KADENZO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(KADENZO_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
set(kadenzo_make_assets ${CMAKE_SOURCE_DIR}/tools/make_assets.py)

function(kadenzo_asset kind source output)
  get_filename_component(output_dir ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${Python3_EXECUTABLE} ${kadenzo_make_assets} ${kind} ${source} ${output}
    DEPENDS ${kadenzo_make_assets} ${source}
    COMMENT "Making ${output}"
    VERBATIM)
endfunction()

kadenzo_asset(icon ${CMAKE_SOURCE_DIR}/res/kadenzo_icon.txt ${KADENZO_GENERATED_DIR}/kadenzo.ico)
kadenzo_asset(strip ${CMAKE_SOURCE_DIR}/res/menu_pictures.txt ${KADENZO_GENERATED_DIR}/menu_pictures.bmp)
# The same pictures drawn for 150 % and 200 % screens.
kadenzo_asset(strip ${CMAKE_SOURCE_DIR}/res/menu_pictures_24.txt ${KADENZO_GENERATED_DIR}/menu_pictures_24.bmp)
kadenzo_asset(strip ${CMAKE_SOURCE_DIR}/res/menu_pictures_32.txt ${KADENZO_GENERATED_DIR}/menu_pictures_32.bmp)
kadenzo_asset(clip ${CMAKE_SOURCE_DIR}/res/clip.txt ${KADENZO_BIN_DIR}/VederAze.avi)
# The clip drawn for 150 % and 200 % screens.
kadenzo_asset(clip150 ${CMAKE_SOURCE_DIR}/res/clip.txt ${KADENZO_BIN_DIR}/VederAze150.avi)
kadenzo_asset(clip200 ${CMAKE_SOURCE_DIR}/res/clip.txt ${KADENZO_BIN_DIR}/VederAze200.avi)
kadenzo_asset(instruments ${CMAKE_SOURCE_DIR}/res/instrument_names.txt ${KADENZO_BIN_DIR}/Instrmnt.txt)

add_custom_target(kadenzo_assets ALL DEPENDS
  ${KADENZO_GENERATED_DIR}/kadenzo.ico
  ${KADENZO_GENERATED_DIR}/menu_pictures.bmp
  ${KADENZO_GENERATED_DIR}/menu_pictures_24.bmp
  ${KADENZO_GENERATED_DIR}/menu_pictures_32.bmp
  ${KADENZO_BIN_DIR}/VederAze.avi
  ${KADENZO_BIN_DIR}/VederAze150.avi
  ${KADENZO_BIN_DIR}/VederAze200.avi
  ${KADENZO_BIN_DIR}/Instrmnt.txt)

# Reads the made files back and checks their structure; runs on the build machine in both presets.
add_test(NAME assets_structure
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/assets/check_assets.py
                 ${KADENZO_GENERATED_DIR} ${KADENZO_BIN_DIR})

if(WIN32)
  # Under Wine: the animation control opens the clip, takes its size, and its frames move.
  add_executable(clip_plays ${CMAKE_SOURCE_DIR}/tests/assets/clip_plays.cpp)
  target_link_libraries(clip_plays PRIVATE comctl32 gdi32 user32)
  set_target_properties(clip_plays PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/assets)
  add_dependencies(clip_plays kadenzo_assets)
  add_test(NAME clip_plays_in_animation_control
           COMMAND clip_plays ${KADENZO_BIN_DIR}/VederAze.avi 80 40)
  add_test(NAME clip_150_plays_in_animation_control
           COMMAND clip_plays ${KADENZO_BIN_DIR}/VederAze150.avi 120 60)
  add_test(NAME clip_200_plays_in_animation_control
           COMMAND clip_plays ${KADENZO_BIN_DIR}/VederAze200.avi 160 80)
  # It reads its picture back from the screen: no other window may cover it meanwhile.
  set_tests_properties(clip_plays_in_animation_control clip_150_plays_in_animation_control
                       clip_200_plays_in_animation_control PROPERTIES RUN_SERIAL TRUE TIMEOUT 60)
endif()
