# The bundled show, built from the sources in content/ by glorbe-tool into
# GLORBE_SHOW_DIR: the music from its score, the archive from the scripts,
# pictures and programs.
option(GLORBE_BUILD_SHOW "Build the bundled show with the default target" ON)
set(GLORBE_SHOW_DIR ${PROJECT_SOURCE_DIR}/show CACHE PATH "Folder the bundled show is built into")

set(GLORBE_SHOW_MUSIC ${GLORBE_SHOW_DIR}/quendar.mp3)
set(GLORBE_SHOW_SCORE ${PROJECT_SOURCE_DIR}/content/music/quendar.score)
add_custom_command(
  OUTPUT ${GLORBE_SHOW_MUSIC}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GLORBE_SHOW_DIR}
  COMMAND glorbe-tool music render ${GLORBE_SHOW_SCORE} ${GLORBE_SHOW_MUSIC}
  DEPENDS glorbe-tool ${GLORBE_SHOW_SCORE}
  COMMENT "Rendering the show's music"
  VERBATIM)

# The archive: everything content/show.manifest lists, rebuilt when any
# source of the show or the tool changes.
set(GLORBE_SHOW_ARCHIVE ${GLORBE_SHOW_DIR}/velk.dat)
file(GLOB_RECURSE GLORBE_SHOW_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/content/*)
list(FILTER GLORBE_SHOW_SOURCES EXCLUDE REGEX "/music/")
add_custom_command(
  OUTPUT ${GLORBE_SHOW_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GLORBE_SHOW_DIR}
  COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:glorbe-tool> -DCONTENT=${PROJECT_SOURCE_DIR}/content
          -DSTAGING=${CMAKE_BINARY_DIR}/show-staging -DARCHIVE=${GLORBE_SHOW_ARCHIVE}
          -P ${PROJECT_SOURCE_DIR}/content/build_show.cmake
  DEPENDS glorbe-tool ${GLORBE_SHOW_SOURCES}
  COMMENT "Building the show's archive"
  VERBATIM)

if(GLORBE_BUILD_SHOW)
  add_custom_target(show ALL DEPENDS ${GLORBE_SHOW_MUSIC} ${GLORBE_SHOW_ARCHIVE})
else()
  add_custom_target(show DEPENDS ${GLORBE_SHOW_MUSIC} ${GLORBE_SHOW_ARCHIVE})
endif()
