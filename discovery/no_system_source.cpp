#include "discovery/camera_source.h"

// A build without a system camera source: the front end puts one in place
// (or a test does); until then there is no camera.
CameraSource* SystemCameraSource() { return nullptr; }
