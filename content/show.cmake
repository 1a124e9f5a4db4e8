# The bundled show, built from the sources in content/ by glorbe-tool into
# GLORBE_SHOW_DIR: the music from its score, the archive from the scripts,
# pictures and programs.
option(GLORBE_BUILD_SHOW "Build the bundled show with the default target" ON)
set(GLORBE_SHOW_DIR ${CMAKE_SOURCE_DIR}/show CACHE PATH "Folder the bundled show is built into")

set(GLORBE_SHOW_MUSIC ${GLORBE_SHOW_DIR}/quendar.mp3)
set(GLORBE_SHOW_SCORE ${CMAKE_SOURCE_DIR}/content/music/quendar.score)
add_custom_command(
  OUTPUT ${GLORBE_SHOW_MUSIC}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GLORBE_SHOW_DIR}
  COMMAND glorbe-tool music render ${GLORBE_SHOW_SCORE} ${GLORBE_SHOW_MUSIC}
  DEPENDS glorbe-tool ${GLORBE_SHOW_SCORE}
  COMMENT "Rendering the show's music"
  VERBATIM)

if(GLORBE_BUILD_SHOW)
  add_custom_target(show ALL DEPENDS ${GLORBE_SHOW_MUSIC})
else()
  add_custom_target(show DEPENDS ${GLORBE_SHOW_MUSIC})
endif()
