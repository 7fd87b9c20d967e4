# What a user installs: a .deb of the Qt edition (from the release build) and a zip of the Win32
# edition (from the MinGW build). `cpack --preset deb` and `cpack --preset zip` make them.

set(CPACK_PACKAGE_NAME "kivano")
set(CPACK_PACKAGE_VENDOR "Olberin")
set(CPACK_PACKAGE_CONTACT "Olberin <kivano@olberin.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "moves the mouse cursor by itself, in small random steps")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://olberin.com/kivano")
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 0)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "Kivano-${PROJECT_VERSION}-win64")
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
    set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Loaded at run time, unseen by the linker: the platform plugin of a Wayland session.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland")
    # Qt takes the GTK desktops' theme (GNOME, Xfce, MATE, Cinnamon) from this plugin alone.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-gtk-platformtheme")
    # The synopsis line comes from the summary; this is the extended description below it.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Kivano moves the mouse cursor every so often, a few pixels at a time, so that
the machine behaves as if a person were at it: the screen saver, the screen
lock and the away status stay off while it runs.
.
Set a time delay, a mouse speed and how much both may drift at random, then
press Start. A timer can alternate work periods, when the cursor is left
alone, with pause periods, when it is moved. The settings are kept between
runs.")
endif()

include(CPack)
