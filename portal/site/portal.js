// The demo portal's front end. It talks to the client only through the bridge functions on
// window (cb_*) and the three page functions the client calls (flashprogress,
// download_curtaskaddinf, web_rpc_shutdown); without the client it still renders.
"use strict";

const bridge = typeof window.cb_getversion === "function";

/**
 * Calls a bridge function (declared in portal/varnet-bridge.d.ts) when the page runs in the
 * client; undefined otherwise.
 * @template {keyof VarnetBridge} Name
 * @param {Name} name
 * @param {Parameters<VarnetBridge[Name]>} args
 * @returns {ReturnType<VarnetBridge[Name]> | undefined}
 */
function call(name, ...args) {
  const bridgeFunction = window[name];
  return typeof bridgeFunction === "function" ? /** @type {Function} */ (bridgeFunction)(...args) : undefined;
}
const $ = (id) => document.getElementById(id);

let config = { games: [], installRoot: "", version: "" };
let installRoot = localStorage.getItem("installRoot") || "";
const pending = new Map(); // task address -> game waiting for its package

function stage(name, detail) {
  return fetch("/api/stage?name=" + encodeURIComponent(name), { method: "POST", body: detail || "" }).catch(() => {});
}

function installed() {
  try { return JSON.parse(localStorage.getItem("installed") || "{}"); } catch (e) { return {}; }
}
function remember(id, folder) {
  const all = installed();
  if (folder) all[id] = folder; else delete all[id];
  localStorage.setItem("installed", JSON.stringify(all));
}

function sizeText(bytes) {
  return bytes > 1 << 20 ? (bytes / (1 << 20)).toFixed(1) + " MB" : Math.round(bytes / 1024) + " KB";
}

// --- window controls (the title bar itself drags the window natively) ---
$("minimise").onclick = () => call("cb_onsysmenu", 0);
$("maximise").onclick = () => call("cb_onsysmenu", 1);
$("close").onclick = () => call("cb_onsysmenu", 2);

// --- page functions the client calls ---
window.flashprogress = (received, total, speed) => {
  const banner = $("banner");
  banner.classList.remove("hidden");
  if (received === -1 && total === -1) {
    $("bannertext").textContent = "Update downloaded: starting the updater…";
    $("bannerbar").style.width = "100%";
    return;
  }
  const percent = total > 0 ? Math.floor((received * 100) / total) : 0;
  $("bannertext").textContent = "Downloading update: " + sizeText(received) +
    (total > 0 ? " of " + sizeText(total) : "") + " (" + sizeText(speed) + "/s)";
  $("bannerbar").style.width = percent + "%";
};

window.download_curtaskaddinf = (task, folder) => {
  const game = pending.get(task);
  if (!game) return;
  pending.delete(task);
  setState(game, "Fetching package…", 0);
  // The companion downloader takes the task from here.
  fetch("/api/companion/fetch", { method: "POST", body: JSON.stringify({ url: task, folder: folder }) })
    .then((r) => (r.ok ? unpack(game, folder) : fail(game, "download failed")))
    .catch(() => fail(game, "download failed"));
};

window.web_rpc_shutdown = () => {
  navigator.sendBeacon("/api/companion/quit");
};

// --- games ---
function card(game) {
  const el = document.createElement("article");
  el.className = "card";
  el.id = "game-" + game.id;
  el.innerHTML =
    '<div class="art"><span class="pill genre"></span><h2></h2></div>' +
    '<div class="body"><p class="blurb"></p><div class="meta"></div>' +
    '<div class="actions"></div></div>';
  /** @type {HTMLElement} */ (el.querySelector(".art")).style.background =
    "linear-gradient(135deg, hsl(" + game.hue + ",70%,45%), hsl(" + (game.hue + 40) + ",60%,22%))";
  el.querySelector(".genre").textContent = game.genre;
  el.querySelector("h2").textContent = game.name;
  el.querySelector(".blurb").textContent = game.blurb;
  el.querySelector(".meta").textContent = "Package " + sizeText(game.size);
  return el;
}

function button(label, cls, onclick) {
  const b = document.createElement("button");
  b.className = cls;
  b.textContent = label;
  b.onclick = onclick;
  return b;
}

function render(game) {
  const actions = document.querySelector("#game-" + game.id + " .actions");
  actions.replaceChildren();
  const folder = installed()[game.id];
  if (folder) {
    const state = document.createElement("span");
    state.className = "state done";
    state.textContent = "Installed";
    actions.append(
      button("Play", "primary", () => call("cb_rungame", folder + "/" + game.exe)),
      button("Open folder", "secondary", () => call("cb_opendir", folder)),
      button("Uninstall", "danger", () => {
        call("cb_unsetup", folder, game.shortcut, "", "");
        remember(game.id, null);
        render(game);
      }),
      state);
  } else {
    actions.append(button("Install", "primary", () => install(game)));
  }
}

function setState(game, text, percent, cls) {
  const actions = document.querySelector("#game-" + game.id + " .actions");
  actions.innerHTML = '<div class="progress"><div></div></div><span class="state"></span>';
  /** @type {HTMLElement} */ (actions.querySelector(".progress div")).style.width = percent + "%";
  const state = actions.querySelector(".state");
  state.textContent = text;
  if (cls) state.classList.add(cls);
}

function fail(game, why) {
  setState(game, "Failed: " + why, 0, "failed");
  stage("failed", game.id + " " + why);
  setTimeout(() => render(game), 4000);
}

function install(game) {
  stage("install", game.id);
  pending.set(game.url, game);
  setState(game, "Requesting…", 0);
  // Mode 0: the companion downloader fetches the package into the package folder.
  call("cb_download", game.packageFolder, game.sealedTask, "0");
  if (!bridge) fail(game, "open this page in the Varnet client");
}

// The walk-through (autoplay) sets its own pace: at each stage it reports, once the stage is on
// screen, the page waits until the walk-through's screenshot of it is taken (a minute at most).
// The client unpacks at its own pace; the page only holds its display.
const delay = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const painted = () =>
  Promise.race([new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))), delay(20000)]);

async function showStage(name, detail) {
  if (!config.autoplay) return stage(name, detail);
  await painted();
  await stage(name, detail);
  for (let tries = 0; tries < 600; tries++) {
    const answer = await fetch("/api/shot?stage=" + name, { cache: "no-store" })
      .then((r) => r.json())
      .catch(() => ({ taken: true }));
    if (answer.taken) return;
    await delay(100);
  }
}

function unpack(game, folder) {
  const root = installRoot.endsWith("/") ? installRoot : installRoot + "/";
  call("cb_unzip", root, folder, game.shortcut, "", game.exe, 1, "");
  const walkthrough = config.autoplay;
  let reported = false;
  const poll = () => {
    const progress = call("cb_getunzipprogress") ?? -100;
    if (progress === -100) return fail(game, "could not unpack");
    const shown = Math.max(0, Math.min(progress, 100));
    setState(game, "Unpacking " + shown + "%", shown);
    if (progress >= 100) {
      const setup = call("cb_getsetuppath") || "";
      remember(game.id, setup);
      render(game);
      showStage("installed", game.id + " " + setup);
      return;
    }
    // The walk-through looks often, to catch the bar part-way and hold it there for its shot.
    if (!reported && progress >= 25) {
      reported = true;
      return void showStage("unpacking", game.id + " " + progress).then(poll);
    }
    setTimeout(poll, walkthrough && !reported ? 10 : 100);
  };
  poll();
}

// --- start ---
async function start() {
  config = await (await fetch("/api/config", { cache: "no-store" })).json();
  if (!installRoot) installRoot = config.installRoot;
  $("root").textContent = installRoot;
  $("pickroot").onclick = () => {
    const picked = call("cb_selectsavepath");
    if (picked) {
      installRoot = picked;
      localStorage.setItem("installRoot", picked);
      $("root").textContent = picked;
    }
  };
  const version = call("cb_getversion");
  $("version").textContent = "client " + (version || "not connected");
  const update = call("cb_vercheck", config.version);
  if (update === "update") {
    $("update").textContent = "Update " + config.version + " available";
    $("update").classList.add("update");
    $("update").onclick = () => (location.href = "/files/update.exe");
  } else {
    $("update").textContent = bridge ? "Up to date" : "Open in the Varnet client";
  }
  const ticket = call("cb_maketick");
  $("ticket").textContent = ticket ? ticket.trim() : "–";
  const games = $("games");
  for (const game of config.games) {
    games.append(card(game));
    render(game);
  }
  // The walk-through starts from a library without its first game.
  const first = config.autoplay ? config.games[0] : undefined;
  if (first && installed()[first.id]) {
    call("cb_unsetup", installed()[first.id], first.shortcut, "", "");
    remember(first.id, null);
    render(first);
  }
  await showStage("loaded", (bridge ? "bridge " : "no-bridge ") + config.games.length + " games");
  if (first) install(first);
}

start();
