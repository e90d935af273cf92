# Installs the build into a scratch prefix and checks that a desktop finds the program, its launcher and its icon.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" RESULT_VARIABLE result
                OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path bin/quillmer bin/quillmer-localserver share/applications/quillmer.desktop
             share/icons/hicolor/scalable/apps/quillmer.svg share/icons/hicolor/48x48/apps/quillmer.png
             share/icons/hicolor/256x256/apps/quillmer.png)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(STRINGS "${PREFIX}/share/applications/quillmer.desktop" entries)
foreach(expected "Exec=quillmer" "Icon=quillmer" "Type=Application")
  list(FIND entries "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "the launcher lacks ${expected}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
