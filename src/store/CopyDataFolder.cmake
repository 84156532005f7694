# Puts the default Data folder beside the executables, but only where there is none yet:
# a build never overwrites a user's lists, settings or password.
# Arguments: -DSOURCE=<repository Data folder> -DTARGET=<bin/Data>
if(NOT EXISTS "${TARGET}")
    get_filename_component(parent "${TARGET}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    file(COPY "${SOURCE}/" DESTINATION "${TARGET}")
    message(STATUS "Default Data folder copied to ${TARGET}")
endif()
