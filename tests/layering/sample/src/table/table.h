// A widget-free folder that includes a widget header.
#include <QLabel>
