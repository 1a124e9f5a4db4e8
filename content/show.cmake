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

# Everything the archive holds is made into GLORBE_SHOW_STAGE under its name
# in the archive; GLORBE_SHOW_ARCHIVE_FILES lists those files.
set(GLORBE_SHOW_STAGE ${CMAKE_BINARY_DIR}/show-archive)
set(GLORBE_SHOW_PICTURES ${CMAKE_BINARY_DIR}/show-pictures)
set(GLORBE_SHOW_ARCHIVE_FILES)

# The loading-screen pictures "loader\0.hwl" to "loader\4.hwl": drawn from
# code, encoded as wavelet images.
set(GLORBE_LOADER_KINDS orb nebula tunnel julia grid)
foreach(i RANGE 4)
  list(GET GLORBE_LOADER_KINDS ${i} kind)
  set(png ${GLORBE_SHOW_PICTURES}/loader${i}.png)
  set(hwl ${GLORBE_SHOW_STAGE}/loader/${i}.hwl)
  add_custom_command(
    OUTPUT ${hwl}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${GLORBE_SHOW_PICTURES} ${GLORBE_SHOW_STAGE}/loader
    COMMAND glorbe-tool art ${kind} 256x256 ${png}
    COMMAND glorbe-tool hwl encode ${png} ${hwl}
    DEPENDS glorbe-tool
    COMMENT "Loading-screen picture ${i}"
    VERBATIM)
  list(APPEND GLORBE_SHOW_ARCHIVE_FILES ${hwl})
endforeach()

set(GLORBE_SHOW_ARCHIVE ${GLORBE_SHOW_DIR}/velk.dat)
add_custom_command(
  OUTPUT ${GLORBE_SHOW_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GLORBE_SHOW_DIR}
  COMMAND glorbe-tool archive pack ${GLORBE_SHOW_ARCHIVE} ${GLORBE_SHOW_STAGE}
  DEPENDS glorbe-tool ${GLORBE_SHOW_ARCHIVE_FILES}
  COMMENT "Packing the show's archive"
  VERBATIM)

if(GLORBE_BUILD_SHOW)
  add_custom_target(show ALL DEPENDS ${GLORBE_SHOW_MUSIC} ${GLORBE_SHOW_ARCHIVE})
else()
  add_custom_target(show DEPENDS ${GLORBE_SHOW_MUSIC} ${GLORBE_SHOW_ARCHIVE})
endif()
