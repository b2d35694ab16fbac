// The Varnet client's page bridge, for page authors: the cb_ functions the client puts on
// `window` in trusted portal frames, and the functions the client calls in the page.
// docs/bridge.md describes each function in full (trust rules, messages, progress values).
//
// Every cb_ function is synchronous and never throws. Arguments are read by position: a number
// argument is read as a 32-bit integer (anything else, text or fraction included, reads as 0), a
// text argument as a string (anything else reads as ""); missing arguments read the same way.

/** A window command of cb_onsysmenu: 0 minimise, 1 maximise or restore, 2 close. */
type VarnetWindowCommand = 0 | 1 | 2;

/** How cb_download hands a task on: "0" to the page (companion started first), "1" to the desktop's browser. */
type VarnetTaskMode = "0" | "1" | string;

/** What the unpack job does after unpacking: 0 and 1 delete the package folder and put a desktop shortcut; 2 only unpacks. */
type VarnetSetupMode = 0 | 1 | 2;

/** The bridge functions, in the order the client installs them. */
interface VarnetBridge {
  /** Minimises, maximises or restores, or hides and closes the main window. Other values: nothing. */
  cb_onsysmenu(windowCommand: VarnetWindowCommand): void;
  /** Passed to the client and not acted on. */
  cb_onsyscaption(captionState: number): void;
  /** Passed to the client and not acted on: the client drags the window itself. */
  cb_oncaptionmousemove(x: number, y: number): void;
  /**
   * Opens the sealed task in the client. Mode "1": the opened address goes to the desktop's
   * browser. Any other mode: the page's download_curtaskaddinf(task, folder, "") is called in the
   * calling frame; mode "0" first starts the companion downloader when it is not running.
   * An empty saveFolder means the client's download folder.
   */
  cb_download(saveFolder: string, sealedTask: string, taskMode: VarnetTaskMode): void;
  /** Deletes the folder and everything below it. */
  cb_deletepath(path: string): void;
  /** The machine's sealed ticket. */
  cb_maketick(): string;
  /** Shows the folder chooser and waits: the chosen folder with forward slashes, "" when cancelled. */
  cb_selectsavepath(): string;
  /** Starts a program (or opens a document) with the program's folder as working folder. */
  cb_rungame(programPath: string): void;
  /** Deletes the install folder and the desktop shortcut, forgets the unpack job's texts. Always 0. */
  cb_unsetup(installFolder: string, shortcutName: string, unused3?: string, unused4?: string): 0;
  /** The install root given to cb_unzip, then the install folder once the job has made it; "" before any job. */
  cb_getsetuppath(): string;
  /** Opens a folder in the file browser, or a file with its program. */
  cb_opendir(path: string): void;
  /** Powers the computer off at once. */
  cb_shutdown(): void;
  /** A trusted address opens in a secondary client window, a foreign web address in the desktop's browser. */
  cb_openurl(address: string): void;
  /** "update" the first time a version above the client's own is offered in this render process, else "". */
  cb_vercheck(offeredVersion: string): "update" | "";
  /** The client's version, e.g. "1.8". */
  cb_getversion(): string;
  /** Clears the engine's cache (cookies and stored page data stay). */
  cb_flashcache(): void;
  /**
   * Starts unpacking the archive found in packageDir into installRoot + the archive's base name
   * (give the root with its closing separator) and returns 1 at once; a job still running is
   * stopped first. Follow it with cb_getunzipprogress and cb_getsetuppath.
   */
  cb_unzip(
    installRoot: string,
    packageDir: string,
    shortcutName: string,
    extraArg: string,
    exePath: string,
    setupMode: VarnetSetupMode,
    password: string,
  ): 1;
  /** Stops the unpack job: nothing of it changes any more, its progress stays where it was. */
  cb_stopunzip(): void;
  /** 0 after cb_unzip, the percentage while unpacking, 100 when the job is complete, -100 when it failed. */
  cb_getunzipprogress(): number;
  /** Passed to the client and not acted on. */
  cb_callbacldownlist(listCount: number, listText: string): void;
}

/** The functions the page defines; the client calls them by running script in the page. */
interface VarnetPageFunctions {
  /**
   * An update download's progress in bytes and bytes per second; (-1, -1, -1) once it is
   * complete, just before the client starts it and closes.
   */
  flashprogress(received: number, total: number, speed: number): void;
  /** The answer to cb_download: the opened task text, the folder, and always "". */
  download_curtaskaddinf(task: string, folder: string, reserved: ""): void;
  /** The main window is closing. */
  web_rpc_shutdown(): void;
}

// The bridge exists only in trusted portal frames inside the client: test for a function before
// calling it.
interface Window extends Partial<VarnetBridge>, VarnetPageFunctions {}
