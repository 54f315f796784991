/* A video driver for Xorg that is the dummy driver with DPMS, for the tests
 * of a display powered down (x11_dpms). Xorg offers the DPMS extension only
 * when a screen can be powered down, and xserver-xorg-video-dummy 0.4 never
 * says it can: this module loads the dummy driver, claims the configuration's
 * "kaldpms" devices for it, and gives each of its screens the server's own
 * DPMS handling after the dummy's set-up. The dummy's CRTCs and outputs
 * accept every power level and do nothing with it, so `xset dpms force off`
 * changes nothing but the level DPMSInfo reports, as on a real card. */
#include <stdlib.h>
#include <string.h>
#include <xorg-server.h>
/* The order matters: xf86.h first. */
#include <xf86.h>
#include <xf86Crtc.h>
#include <xf86Module.h>
#include <xf86Priv.h>

static DriverPtr dummy;
static Bool (*dummyPreInit)(ScrnInfoPtr, int);
static Bool (*dummyScreenInit)(ScreenPtr, int, char**);

static Bool ScreenInitWithDpms(ScreenPtr screen, int argc, char** argv) {
  return dummyScreenInit(screen, argc, argv) && xf86DPMSInit(screen, xf86DPMSSet, 0);
}

static Bool PreInitWithDpms(ScrnInfoPtr scrn, int flags) {
  if (!dummyPreInit(scrn, flags)) return FALSE;
  dummyScreenInit = scrn->ScreenInit;
  scrn->ScreenInit = ScreenInitWithDpms;
  return TRUE;
}

static Bool Probe(DriverPtr self, int flags) {
  (void)self;
  GDevPtr* devices = NULL;
  const int count = xf86MatchDevice("kaldpms", &devices);
  if (count <= 0) return FALSE;
  /* The dummy's probe claims the devices that name it. */
  for (int i = 0; i < count; ++i) devices[i]->driver = (char*)"dummy";
  const Bool found = dummy->Probe(dummy, flags);
  for (int i = 0; i < count; ++i) devices[i]->driver = (char*)"kaldpms";
  free(devices);
  for (int i = 0; i < xf86NumScreens; ++i) {
    ScrnInfoPtr scrn = xf86Screens[i];
    if (scrn->drv == dummy && scrn->PreInit != PreInitWithDpms) {
      dummyPreInit = scrn->PreInit;
      scrn->PreInit = PreInitWithDpms;
    }
  }
  return found;
}

static void Identify(int flags) {
  (void)flags;
  xf86Msg(X_INFO, "kaldpms: the dummy video driver with DPMS\n");
}

static DriverRec driver = {
    .driverVersion = 1,
    .driverName = "kaldpms",
    .Identify = Identify,
    .Probe = Probe,
};

static void* Setup(void* module, void* options, int* errmaj, int* errmin) {
  (void)options;
  if (!LoadSubModule(module, "dummy", NULL, NULL, NULL, NULL, errmaj, errmin)) return NULL;
  /* The server's entry of the dummy driver (a copy of the module's record):
   * screens and their entities count for the driver they were made with. */
  for (int i = 0; i < xf86NumDrivers; ++i) {
    if (xf86DriverList[i] != NULL && strcmp(xf86DriverList[i]->driverName, "dummy") == 0)
      dummy = xf86DriverList[i];
  }
  if (dummy == NULL) return NULL;
  driver.AvailableOptions = dummy->AvailableOptions;
  driver.driverFunc = dummy->driverFunc;
  /* No module: a driver left without screens (this one, whose screens are the
   * dummy's) is deleted after probing, and this code must stay loaded. */
  xf86AddDriver(&driver, NULL, HaveDriverFuncs);
  return (void*)1;
}

static XF86ModuleVersionInfo version = {
    .modname = "kaldpms",
    .vendor = "Kalvessa tests",
    ._modinfo1_ = MODINFOSTRING1,
    ._modinfo2_ = MODINFOSTRING2,
    .xf86version = XORG_VERSION_CURRENT,
    .majorversion = 1,
    .abiclass = ABI_CLASS_VIDEODRV,
    .abiversion = ABI_VIDEODRV_VERSION,
    .moduleclass = MOD_CLASS_VIDEODRV,
};
_X_EXPORT XF86ModuleData kaldpmsModuleData = {&version, Setup, NULL};
