// The desks of `zeth-host serve` worked in a real browser (Debian's Chromium, headless): an
// operator's story on one desk, two desks sharing the routers, ten pages open at once in one
// browser, a facility of 1,000 desks, a plug-in that crashes, a plug-in rebuilt while the page is
// open (a changed build reloads in place, a crashing one is rolled back), and a story recorded by
// clicking, saved, and played by `zeth-host run`. The desk after Take is kept as a screenshot
// (golden/desk_after_take.png) and compared with a tolerance; the
// README shows the same picture.
//
// Environment: ZETH_HOST (the zeth-host to serve with; default build/ci/bin/zeth-host),
// ZETH_SCRIPTED_PLUGIN (the test plug-in that crashes; default: built beside zeth-host, with its
// later builds zeth_scripted_plugin_changed and _crashing),
// ZETH_CHROMIUM (default /usr/bin/chromium), ZETH_APPROVE_SCREENSHOT=1 (take the screenshot as
// the new golden one; read it first).
import { chromium } from "playwright-core";
import { spawn } from "node:child_process";
import { copyFileSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, "../..");
const hostProgram = process.env.ZETH_HOST || path.join(root, "build/ci/bin/zeth-host");
const golden = path.join(here, "golden/desk_after_take.png");
const received = path.join(here, "received/desk_after_take.png");
// A pixel differs when a channel moves by more than this; the screenshot passes while at most
// this share of its pixels differ (font hinting, anti-aliasing).
const channelTolerance = 16;
const pixelShare = 0.01;

let failures = 0;
function check(condition, what) {
  console.log((condition ? "  ok    " : "  FAIL  ") + what);
  if (!condition) { failures += 1; }
}

// Starts zeth-host serve on a free port; resolves with the page's address.
function serve(args, options = {}) {
  return new Promise((resolve, reject) => {
    const child = spawn(hostProgram, ["serve", "--port", "0", "--virtual", ...args],
                        { stdio: ["ignore", "pipe", "pipe"], ...options });
    let messages = "";
    let transcript = "";
    child.stdout.on("data", (data) => { transcript += data; });
    child.stderr.on("data", (data) => {
      messages += data;
      const found = messages.match(/http:\/\/127\.0\.0\.1:\d+\//);
      if (found) { resolve({ child, url: found[0], transcript: () => transcript }); }
    });
    child.on("error", reject);
    child.on("exit", (status) => reject(new Error("zeth-host serve ended (" + status + "): " + messages)));
  });
}

// SIGTERM must close every desk (its closing notice in the transcript) and end with status 0.
async function stop(served, desks) {
  served.child.removeAllListeners("exit");
  const ended = new Promise((resolve) => served.child.once("exit", (status) => resolve(status)));
  served.child.kill("SIGTERM");
  const status = await ended;
  check(status === 0, "SIGTERM ends zeth-host serve with status 0");
  const notices = (served.transcript().match(/^\s+AS\s/gm) || []).length;
  check(notices === desks, `every desk sent its closing notice (${notices} of ${desks})`);
}

const key = (page, desk, control) => page.locator(`.key[data-desk="${desk}"][data-control="${control}"]`);
const source = (page, router, destination) =>
  page.locator(`tr[data-router="${router}"][data-destination="${destination}"] td.source`);

// Compares two PNGs pixel by pixel inside the browser (no image library needed).
async function differingShare(browser, actual, expected) {
  const page = await browser.newPage();
  const share = await page.evaluate(async ([a, b, tolerance]) => {
    const load = (data) => new Promise((resolve, reject) => {
      const image = new Image();
      image.onload = () => resolve(image);
      image.onerror = reject;
      image.src = "data:image/png;base64," + data;
    });
    const pixels = (image) => {
      const canvas = document.createElement("canvas");
      canvas.width = image.width;
      canvas.height = image.height;
      const context = canvas.getContext("2d");
      context.drawImage(image, 0, 0);
      return context.getImageData(0, 0, image.width, image.height).data;
    };
    const [first, second] = [await load(a), await load(b)];
    if (first.width !== second.width || first.height !== second.height) { return 1; }
    const [p, q] = [pixels(first), pixels(second)];
    let differing = 0;
    for (let i = 0; i < p.length; i += 4) {
      if (Math.abs(p[i] - q[i]) > tolerance || Math.abs(p[i + 1] - q[i + 1]) > tolerance ||
          Math.abs(p[i + 2] - q[i + 2]) > tolerance) { differing += 1; }
    }
    return differing / (p.length / 4);
  }, [actual.toString("base64"), expected.toString("base64"), channelTolerance]);
  await page.close();
  return share;
}

async function compareScreenshot(browser, shot) {
  if (process.env.ZETH_APPROVE_SCREENSHOT === "1") {
    mkdirSync(path.dirname(golden), { recursive: true });
    writeFileSync(golden, shot);
    console.log("  approved " + path.relative(root, golden));
    return;
  }
  if (!existsSync(golden)) {
    mkdirSync(path.dirname(received), { recursive: true });
    writeFileSync(received, shot);
    check(false, "a golden screenshot exists: look at " + path.relative(root, received) +
                 ", then approve it with ZETH_APPROVE_SCREENSHOT=1 bash tests/browser/run.sh");
    return;
  }
  const share = await differingShare(browser, shot, readFileSync(golden));
  const same = share <= pixelShare;
  if (!same) {
    mkdirSync(path.dirname(received), { recursive: true });
    writeFileSync(received, shot);
  }
  check(same, `the desk after Take looks as approved (${(share * 100).toFixed(2)}% of pixels differ, ` +
              `at most ${pixelShare * 100}%)` + (same ? "" : ": compare " + path.relative(root, received) +
              " with the golden one; if the change is wanted, ZETH_APPROVE_SCREENSHOT=1 bash tests/browser/run.sh"));
}

async function oneDesk(browser) {
  console.log("One desk:");
  const served = await serve([]);
  try {
    const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
    await page.goto(served.url);
    await page.waitForSelector('.key[data-control="Take"]');
    const monitors = await page.locator('.key[data-desk="1"]').allTextContents();
    check(monitors.filter((text) => /^Monitor [1-4]$/.test(text)).length === 4, "four Monitor buttons are drawn");
    check(await page.locator('.list[data-desk="1"] .item').count() === 12, "twelve packages are listed");

    await page.locator('.list[data-desk="1"] .item', { hasText: "Studio A" }).click();
    await page.waitForSelector('.list[data-desk="1"] .item.selected');
    check(await page.locator(".list .item.selected").textContent() === "Studio A", "Studio A is picked");
    await key(page, 1, "Dest_2").click();
    await page.waitForSelector('.key[data-control="Dest_2"].lit');
    check(true, "Monitor 2 is lit");

    const sheets = [await key(page, 1, "Take").getAttribute("data-statesheet")];
    for (let second = 0; second < 3; ++second) {
      const before = await page.locator("#clock").textContent();
      await page.click('[data-step="1000"]');
      await page.waitForFunction((shown) => document.getElementById("clock").textContent !== shown, before);
      sheets.push(await key(page, 1, "Take").getAttribute("data-statesheet"));
    }
    const alternates = sheets.every((sheet, i) => i === 0 || sheet !== sheets[i - 1]) &&
                       sheets.includes("KX_TakeHigh") && sheets.includes("KX_TakeLow");
    check(alternates, "Take alternates bright and dim as time passes: " + sheets.join(", "));

    await key(page, 1, "Take").click();
    await page.waitForFunction(() => document.querySelector('tr[data-router="20"][data-destination="102"] td.source')?.textContent === "5");
    check(await source(page, 20, 102).textContent() === "5" && await source(page, 21, 202).textContent() === "5",
          "after Take, 102 and 202 carry source 5");
    check(await key(page, 1, "Undo").getAttribute("aria-disabled") === "false", "Undo is enabled");
    await page.mouse.move(0, 0);
    const shot = await page.locator("#desk-1").screenshot({ animations: "disabled" });
    await compareScreenshot(browser, shot);

    await key(page, 1, "Undo").click();
    await page.waitForFunction(() => document.querySelector('tr[data-router="20"][data-destination="102"] td.source')?.textContent === "2");
    check(await source(page, 20, 102).textContent() === "2" && await source(page, 21, 202).textContent() === "2",
          "after Undo, both carry 2 again");

    check(await key(page, 1, "Take").getAttribute("aria-disabled") === "true", "Take is disabled");
    // force: the button says aria-disabled, which Playwright would wait on; an operator clicks.
    await key(page, 1, "Take").click({ force: true });
    await page.waitForSelector("#status-1.refused");
    const refusal = await page.locator("#status-1").textContent();
    check(/^Refused: Take is disabled/.test(refusal), "a click on the disabled Take is shown as refused: " + refusal);
    const violation = page.locator(".transcript .violation", { hasText: "click-on-disabled-control" });
    await violation.first().waitFor();
    check(true, "the transcript shows the refused click's violation in red, with its id");
  } finally {
    await stop(served, 1);
  }
}

async function twoDesks(browser) {
  console.log("Two desks:");
  const served = await serve(["--panels", "2"]);
  try {
    const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
    await page.goto(served.url);
    await page.waitForSelector('.key[data-desk="2"][data-control="Take"]');
    check(await page.locator("section.desk").count() === 2, "two desks are drawn side by side");
    const undoBefore = await key(page, 2, "Undo").getAttribute("aria-disabled");
    await page.locator('.list[data-desk="1"] .item', { hasText: "Studio A" }).click();
    await page.waitForSelector('.list[data-desk="1"] .item.selected');
    await key(page, 1, "Dest_2").click();
    await page.waitForSelector('.key[data-desk="1"][data-control="Dest_2"].lit');
    await key(page, 1, "Take").click();
    await page.waitForFunction(() => document.querySelector('tr[data-router="20"][data-destination="102"] td.source')?.textContent === "5");
    check(await source(page, 21, 202).textContent() === "5",
          "a Take on desk 1 is seen at once in the routers both desks share");
    check(await key(page, 2, "Undo").getAttribute("aria-disabled") === undoBefore,
          "desk 2's Undo stays as it was (" + (undoBefore === "true" ? "disabled" : "enabled") + ")");
    check(await key(page, 1, "Undo").getAttribute("aria-disabled") === "false", "desk 1's Undo is enabled");

    // The line box takes the scenario language: a crosspoint behind the panels, then a typo.
    await page.fill("#line", 'route "R7 SDI Router" 103 7');
    await page.press("#line", "Enter");
    await page.waitForFunction(() => document.querySelector('tr[data-router="20"][data-destination="103"] td.source')?.textContent === "7");
    check(true, "a line of the scenario language routes 103 to source 7, seen in the routers");
    await page.fill("#line", "clack Take");
    await page.press("#line", "Enter");
    await page.waitForSelector("#line-answer.error");
    check(/found 'clack'/.test(await page.locator("#line-answer").textContent()),
          "an unparsable line is answered with the parser's message");
  } finally {
    await stop(served, 2);
  }
}

// Ten pages of the desks in one browser, as ten tabs: the browser keeps six connections to a
// server at most, so the pages share one event stream. Each page's action is answered and seen
// on every page, and the pages go on when the one that reads the stream closes.
async function tenPages(browser) {
  console.log("Ten pages at once:");
  const served = await serve(["--panels", "2"]);
  try {
    const context = await browser.newContext({ viewport: { width: 1280, height: 900 } });
    const pages = [];
    for (let i = 0; i < 10; ++i) {
      pages.push(await context.newPage());
      await pages[i].goto(served.url);
    }
    await Promise.all(pages.map((page) => page.waitForSelector('.key[data-desk="2"][data-control="Take"]')));
    const items = await pages[0].locator('.list[data-desk="1"] .item').allTextContents();
    const everyPageShows = (shown, item) => Promise.all(shown.map((page) => page.waitForFunction(
      (wanted) => document.querySelector('.list[data-desk="1"] .item.selected')?.textContent === wanted, item,
      { timeout: 10000 })));
    let seen = 0;
    for (let i = 0; i < pages.length; ++i) {
      await pages[i].locator('.list[data-desk="1"] .item', { hasText: items[i] }).click();
      seen += await everyPageShows(pages, items[i]).then(() => 1, () => 0);
    }
    check(seen === 10, `each of the ten pages picks a package and all ten show it (${seen} of 10)`);
    await pages[9].fill("#line", "click Dest_3");
    await pages[9].press("#line", "Enter");
    const lit = await Promise.all(pages.map((page) => page.waitForSelector(
      '.key[data-desk="1"][data-control="Dest_3"].lit', { timeout: 10000 }).then(() => true, () => false)));
    const lines = await Promise.all(pages.map((page) => page.locator(".transcript .action", { hasText: "click Dest_3" })
      .first().waitFor({ timeout: 10000 }).then(() => true, () => false)));
    check(lit.every(Boolean) && lines.every(Boolean),
          "a line typed on the tenth page lights Monitor 3 and is in every page's transcript");
    const live = await Promise.all(pages.map((page) => page.locator("#link").textContent()));
    check(live.every((text) => text === "live"), "every page says its stream is live: " + live.join(", "));
    for (const page of pages.slice(0, 5)) { await page.close(); }
    const left = pages.slice(5);
    await left[0].locator('.list[data-desk="1"] .item', { hasText: items[11] }).click();
    check(await everyPageShows(left, items[11]).then(() => true, () => false),
          "with the first five pages closed, the other five still see every change");
    await context.close();
  } finally {
    await stop(served, 2);
  }
}

// A facility of 1,000 desks: the page shows a handful of them, picked on the bar above them, and
// the routers' destinations those desks use.
async function largeFacility(browser) {
  console.log("A facility of 1,000 desks:");
  const served = await serve(["--panels", "1000"]);
  try {
    const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
    await page.goto(served.url);
    await page.waitForSelector('.key[data-desk="4"][data-control="Take"]');
    check(await page.locator("section.desk").count() === 4 &&
          await page.locator("#deskbar-count").textContent() === "4 of 1000 desks",
          "four of the 1,000 desks are drawn, and the bar says so");
    await page.fill("#desk-number", "500");
    await page.press("#desk-number", "Enter");
    await page.waitForSelector('.key[data-desk="500"][data-control="Take"]');
    check(await page.locator("section.desk").count() === 5 && page.url().endsWith("#desks=1,2,3,4,500"),
          "desk 500 is shown beside them, and the address keeps the choice: " + page.url().replace(/^.*#/, "#"));
    await page.locator('.list[data-desk="500"] .item', { hasText: "Studio A" }).click();
    await key(page, 500, "Dest_2").click();
    await page.waitForSelector('.key[data-desk="500"][data-control="Dest_2"].lit');
    await key(page, 500, "Take").click();
    await page.waitForFunction(() => document.querySelector('tr[data-router="20"][data-destination="102"] td.source')?.textContent === "5");
    check(await key(page, 500, "Undo").getAttribute("aria-disabled") === "false" &&
          await key(page, 1, "Undo").getAttribute("aria-disabled") === "true",
          "a Take on desk 500 routes 102 to source 5; desk 500's Undo is enabled, desk 1's is not");
    check(await page.locator("tr[data-router]").count() === 8,
          "the routers show the 8 destinations the shown desks listen to");
    await page.click('[data-shown-desk="1"] button');
    await page.waitForSelector('section.desk[data-desk="1"]', { state: "detached" });
    await page.click("#desks-next");
    await page.waitForSelector('.key[data-desk="6"][data-control="Take"]');
    const shown = await page.locator("section.desk").evaluateAll((desks) => desks.map((desk) => desk.dataset.desk));
    check(shown.join(",") === "6,7,8,9", "desk 1 is put away, and the next four are shown: " + shown.join(", "));
  } finally {
    await stop(served, 1000);
  }
}

// The scripted test plug-in crashes on a click: the page shows the supervisor's line and starts
// the desks again when asked.
async function crashingPlugin(browser) {
  console.log("A plug-in that crashes:");
  const plugin = process.env.ZETH_SCRIPTED_PLUGIN || path.join(path.dirname(hostProgram), "zeth_scripted_plugin.so");
  if (!existsSync(plugin)) {
    check(false, "the scripted test plug-in is built beside zeth-host (" + plugin + ")");
    return;
  }
  const served = await serve(["--plugin", plugin, "--panel-path", path.join(here, "crash")]);
  try {
    const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
    await page.goto(served.url);
    await key(page, 1, "fault:crash").click();
    await page.waitForSelector("#banner.shown");
    const report = await page.locator("#banner-text").textContent();
    // A sanitizer's own handler turns the crash into an exit: plugin-exited then.
    check(/^plugin-(crashed|exited): .* in notify code 2 .*on desk 1/.test(report),
          "the page shows the supervisor's line: " + report);
    check(await page.locator("#restart").isVisible(), "the page offers to start the desks again");
    await page.click("#restart");
    await page.waitForSelector("#banner", { state: "hidden" });
    check(await key(page, 1, "fault:crash").count() === 1, "the desks are back after the restart");
  } finally {
    await stop(served, 1);
  }
}


// The scripted plug-in and its later builds, beside zeth-host.
function scriptedBuild(name) {
  const base = process.env.ZETH_SCRIPTED_PLUGIN || path.join(path.dirname(hostProgram), "zeth_scripted_plugin.so");
  return name ? base.replace(/\.so$/, "_" + name + ".so") : base;
}

// Runs zeth-host run to its end; resolves with its exit status.
function runScenario(args) {
  return new Promise((resolve) => {
    const child = spawn(hostProgram, ["run", ...args], { stdio: "ignore" });
    child.on("exit", (status) => resolve(status));
  });
}

const reloadLayout = path.join(here, "reload");
const routeControl = "RC 20 5 101 ',' 0";
const listenControl = "RR 20 101 101";

// Desk 1 listens to 101 and routes source 5 there, seen in the routers.
async function listenAndRoute(page) {
  await key(page, 1, listenControl).click();
  await key(page, 1, routeControl).click();
  await page.waitForFunction(() => document.querySelector('tr[data-router="20"][data-destination="101"] td.source')?.textContent === "5");
}

// The plug-in rebuilt while the page is open: written over in place, as a build tool does.
async function rebuilds(browser) {
  console.log("A plug-in rebuilt while the page is open:");
  const work = mkdtempSync(path.join(tmpdir(), "zeth-story-"));
  const watched = path.join(work, "zeth_scripted_plugin.so");
  copyFileSync(scriptedBuild(), watched);
  const served = await serve(["--plugin", watched, "--panel-path", reloadLayout]);
  try {
    const page = await browser.newPage({ viewport: { width: 1280, height: 1400 } });
    await page.goto(served.url);
    await listenAndRoute(page);
    await page.click('[data-step="1000"]');
    await page.evaluate(() => { window.storyMark = "the same page"; });
    check(await key(page, 1, "Take").getAttribute("aria-disabled") === "false", "Take is enabled on the first build");

    copyFileSync(scriptedBuild("changed"), watched);
    await page.waitForFunction(() => /^Reload 1, /.test(document.getElementById("reload-change").textContent));
    const change = await page.locator("#reload-change").textContent();
    check(/The behaviour changed from line \d+ on/.test(change), "the page says what changed: " + change);
    const marked = await page.locator("#reload-replay .first-difference").textContent();
    check(marked.includes("CD '1' 'Take'"), "the first differing line is marked in the new build's transcript: " + marked.trim());
    check(await page.locator("#reload-previous .first-difference").count() === 1, "and beside it in the build before's");
    await page.waitForFunction(() => document.querySelector('.key[data-control="Take"]')?.getAttribute("aria-disabled") === "true");
    check(await page.evaluate(() => window.storyMark) === "the same page" &&
          await page.locator("#clock").textContent() === "1.000 s" &&
          await source(page, 20, 101).textContent() === "5",
          "the page shows the new build in place, at the same point of the story (1 s, 101 <- 5, Take now disabled)");
    check(/^build 2 · .* · 1 reload$/.test(await page.locator("#build").textContent()),
          "the page names the build: " + await page.locator("#build").textContent());

    copyFileSync(scriptedBuild("crashing"), watched);
    await page.waitForFunction(() => /^Reload 2, /.test(document.getElementById("reload-change").textContent));
    const rolledBack = await page.locator("#reload-change").textContent();
    // A sanitizer's own handler turns the crash into an exit: plugin-exited then.
    check(/Rolled back: .* plugin-(crashed|exited): /.test(rolledBack), "a build that crashes in the replay is rolled back, with the supervisor's line: " + rolledBack);
    await key(page, 1, listenControl).click();
    await page.waitForFunction(() => /^Last action: desk 1, click RR/.test(document.getElementById("last-action").textContent));
    check(await page.locator("#banner.shown").count() === 0 && /^build 2 · /.test(await page.locator("#build").textContent()),
          "the build before serves on, its desks working");
  } finally {
    await stop(served, 2); // the first build's desks closed at the reload, the second's at the end
    rmSync(work, { recursive: true, force: true });
  }
}

// A story recorded by clicking, with pointed expectations, saved, and played by zeth-host run.
async function recordedStory(browser) {
  console.log("A story recorded on the page:");
  const folder = mkdtempSync(path.join(tmpdir(), "zeth-saved-"));
  const served = await serve(["--plugin", scriptedBuild(), "--panel-path", reloadLayout,
                              "--scenario-folder", folder]);
  try {
    const page = await browser.newPage({ viewport: { width: 1280, height: 1400 } });
    await page.goto(served.url);
    await listenAndRoute(page);
    await page.click("#expect-commands");
    await page.waitForFunction(() => /^kept in the session: expect commands/.test(document.getElementById("session-answer").textContent));
    await page.click('tr[data-router="20"][data-destination="101"] button.expect');
    await page.waitForFunction(() => /crosspoint "R7 SDI Router" 101 = 5$/.test(document.getElementById("session-answer").textContent));
    await key(page, 1, "Take").click({ button: "right" });
    await page.click('#pointing-1 [data-expect="enabled"]');
    await page.waitForFunction(() => /expect enabled Take$/.test(document.getElementById("session-answer").textContent));
    check(true, "three expectations pointed at and kept: the last action's commands, a crosspoint, Take enabled");
    // A stale one, that no longer holds, is refused and not kept.
    await page.evaluate(() => fetch("/api/expect", { method: "POST", headers: { "Content-Type": "application/json" },
      body: JSON.stringify({ expect: "crosspoint", router: 20, destination: 101, source: 7 }) }));
    const recorded = await page.evaluate(() => fetch("/api/state").then((r) => r.json()).then((s) => s.session.lines));
    check(recorded === 5, `the session holds the two clicks and the three expectations that hold (${recorded} lines)`);

    await page.fill("#save-name", "take_story");
    await page.click('#save-form button[type="submit"]');
    await page.waitForFunction(() => /^Saved /.test(document.getElementById("session-answer").textContent));
    const saved = path.join(folder, "take_story.zeth");
    check(existsSync(saved), "Save scenario writes take_story.zeth into the scenario folder");
    let asked = "";
    page.once("dialog", (dialog) => { asked = dialog.message(); dialog.accept(); });
    await page.evaluate(() => { document.getElementById("session-answer").textContent = ""; });
    await page.click('#save-form button[type="submit"]');
    await page.waitForFunction(() => /^Saved /.test(document.getElementById("session-answer").textContent));
    check(/exists already/.test(asked), "saving over it asks first: " + asked.split("\n")[0]);

    const same = await runScenario(["--plugin", scriptedBuild(), "--panel-path", reloadLayout, saved]);
    check(same === 0, `zeth-host run plays it with the build it was recorded on: status ${same}`);
    const changed = await runScenario(["--plugin", scriptedBuild("changed"), "--panel-path", reloadLayout, saved]);
    check(changed === 1, `and fails with the changed build: status ${changed}`);

    await page.click('#open-form button[type="submit"]');
    await page.waitForSelector("#scenario-lines .scenario-line");
    const lines = await page.locator("#scenario-lines .scenario-line").allTextContents();
    const routeLine = lines.findIndex((line) => line.includes("click \"" + routeControl + "\""));
    await page.locator(`#scenario-lines .scenario-line[data-line="${routeLine + 1}"]`).click();
    await page.click("#play-here");
    await page.waitForFunction(() => /^played take_story.zeth up to line/.test(document.getElementById("session-answer").textContent));
    check(await source(page, 20, 101).textContent() === "5", "Play to here replays the saved story up to the route");
  } finally {
    await stop(served, 2); // the desks made anew by Play to here, and the ones before
    rmSync(folder, { recursive: true, force: true });
  }
}

const browser = await chromium.launch({
  executablePath: process.env.ZETH_CHROMIUM || "/usr/bin/chromium",
  headless: true,
  // The page is on loopback: no proxy, no sandbox needs (CI runs as root).
  args: ["--no-proxy-server", "--no-sandbox", "--font-render-hinting=none"],
});
try {
  await oneDesk(browser);
  await twoDesks(browser);
  await tenPages(browser);
  await largeFacility(browser);
  await crashingPlugin(browser);
  await rebuilds(browser);
  await recordedStory(browser);
} finally {
  await browser.close();
}
if (failures > 0) {
  console.log(`desk story: ${failures} check(s) failed`);
  process.exit(1);
}
console.log("desk story: every check passed");
