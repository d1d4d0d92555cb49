// A folder of the same level as the link.
inline constexpr int settingsVersion = 1;
