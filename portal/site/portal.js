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

function unpack(game, folder) {
  const root = installRoot.endsWith("/") ? installRoot : installRoot + "/";
  call("cb_unzip", root, folder, game.shortcut, "", game.exe, 1, "");
  let reported = false;
  const timer = setInterval(() => {
    const progress = call("cb_getunzipprogress");
    if (progress === -100) {
      clearInterval(timer);
      return fail(game, "could not unpack");
    }
    setState(game, "Unpacking " + Math.max(0, Math.min(progress, 100)) + "%", Math.max(0, Math.min(progress, 100)));
    if (!reported && progress >= 30 && progress < 100) {
      reported = true;
      stage("unpacking", game.id + " " + progress);
    }
    if (progress >= 100) {
      clearInterval(timer);
      const setup = call("cb_getsetuppath");
      remember(game.id, setup);
      render(game);
      stage("installed", game.id + " " + setup);
    }
  }, 100);
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
  stage("loaded", bridge ? "bridge" : "no-bridge");
  if (config.autoplay && config.games.length) {
    const first = config.games[0];
    if (installed()[first.id]) {
      call("cb_unsetup", installed()[first.id], first.shortcut, "", "");
      remember(first.id, null);
      render(first);
    }
    setTimeout(() => install(first), 1500);
  }
}

start();
