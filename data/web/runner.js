// The examinee's side of the web test room. The server runs the test: it hands over one
// page at a time and takes back what happened on it (the time on screen, the time of each
// phrase, the answers, the name). This page only shows pages and measures time.
//
// Nothing is lost: the session token and an event not yet acknowledged are kept in the
// browser's storage, so a reload, a closed tab or a lost connection goes on where it was.
// An event is sent until the server answers; sending it again is harmless because the
// server ignores an event for a page that is no longer on screen.
(function () {
  "use strict";

  var KEY_SESSION = "ruvo.web.session";
  var KEY_PENDING = "ruvo.web.pending";
  var REQUEST_TIMEOUT_MS = 15000;
  var RETRY_FIRST_MS = 600;
  var RETRY_MAX_MS = 8000;
  var DOUBLE_PRESS_MS = 200; // a press this soon after a page or phrase appeared is a double click's second
  var NAME_REQUIRED = "必須です";

  var T = {
    title: "ルーヴォ 受験",
    offline: "通信が途切れています。つながりしだい、自動で送り直します。\n解答は保存されています。そのままお待ちください。",
    slow: "送信中です…",
    badCode: "クラスコードが違います。先生に確かめてください。",
    noTests: "受けられるテストがありません。",
    codeEmpty: "クラスコードを入力してください。",
    nameEmpty: "名前を入力してください。",
    unanswered: "未解答項目があります。 もどって解答しますか？",
    restart: "最初からやり直しますか？\n今までの解答は使われません。",
    lost: "この受験の記録が見つかりません。\nもう一度クラスコードを入力してください。",
    refused: "送信できませんでした: ",
    namePrompt: "番号か名前を入力",
    backToStart: "最初の画面へ",
    startOver: "最初からやり直す",
    saved: "おつかれさまでした。結果は 先生に届きました。",
    finished: "おつかれさまでした。",
    notSaved: "結果は まだ保存されていません。この画面のまま 先生に知らせてください。",
  };

  var $ = function (id) { return document.getElementById(id); };
  var el = {
    barTitle: $("bar-title"), counter: $("counter"), main: $("main"),
    join: $("join"), codeForm: $("code-form"), code: $("code"), codeGo: $("code-go"),
    testsBox: $("tests-box"), tests: $("tests"), joinError: $("join-error"),
    page: $("page"), sheet: $("sheet"), text: $("text"), answers: $("answers"),
    nameBox: $("name-box"), name: $("name"), namePrompt: $("name-prompt"), nameError: $("name-error"),
    resultBox: $("result-box"), record: $("record"), saved: $("saved"),
    controls: $("controls"), forward: $("forward"), restart: $("restart"),
    progress: $("phrase-progress"), progressFill: $("phrase-fill"),
    notice: $("notice"), dialog: $("dialog"), dialogText: $("dialog-text"),
    dialogYes: $("dialog-yes"), dialogNo: $("dialog-no"),
  };

  // ---- storage (may be unavailable: then the run lives as long as the tab) ----------------
  var memory = {};
  function load(key) {
    try {
      var s = window.localStorage.getItem(key);
      return s ? JSON.parse(s) : null;
    } catch (e) {
      return memory[key] || null;
    }
  }
  function save(key, value) {
    memory[key] = value;
    try {
      if (value === null) window.localStorage.removeItem(key);
      else window.localStorage.setItem(key, JSON.stringify(value));
    } catch (e) { /* memory keeps it */ }
  }

  // ---- state ------------------------------------------------------------------------------
  var session = null;    // {token, code, title}
  var page = null;       // the page on screen, as the server sent it
  var busy = false;      // a request is in flight: Forward is locked
  var lockedUntil = 0;   // Forward stays locked after a reading starts (performance.now())
  var lastShown = -1e9;   // a page or phrase appeared (performance.now())
  var shownAt = null;    // first painted frame of the page
  var phrase = -1;       // the phrase on screen of a page shown phrase by phrase
  var phraseAt = 0;
  var phraseMs = [];
  var dialogAnswer = null;
  var dialogEscape = false;

  // ---- the network ------------------------------------------------------------------------
  // Resolves with {status, json}; rejects only when no answer came (network, timeout).
  function request(method, path, body) {
    var ctrl = typeof AbortController === "function" ? new AbortController() : null;
    var timer = ctrl ? setTimeout(function () { ctrl.abort(); }, REQUEST_TIMEOUT_MS) : 0;
    var init = { method: method, headers: { Accept: "application/json" }, cache: "no-store", credentials: "omit" };
    if (ctrl) init.signal = ctrl.signal;
    if (body !== undefined) {
      init.headers["Content-Type"] = "application/json; charset=utf-8";
      init.body = JSON.stringify(body);
    }
    return fetch(path, init).then(function (r) {
      return r.text().then(function (t) {
        clearTimeout(timer);
        var j = null;
        try { j = t ? JSON.parse(t) : null; } catch (e) { j = null; }
        return { status: r.status, json: j };
      });
    }, function (e) {
      clearTimeout(timer);
      throw e;
    });
  }

  function retryable(status) { return status >= 500 || status === 408 || status === 429 || status === 0; }

  function sleep(ms) {
    return new Promise(function (resolve) {
      var done = false;
      function finish() {
        if (done) return;
        done = true;
        window.removeEventListener("online", finish);
        resolve();
      }
      setTimeout(finish, ms);
      window.addEventListener("online", finish);
    });
  }

  // Sends until an answer comes; a lost connection shows the notice and tries again, later
  // and later. Resolves with {status, json} of the first real answer.
  function persist(method, path, body) {
    var delay = RETRY_FIRST_MS;
    var slowTimer = setTimeout(function () { showNotice(T.slow, false); }, 1500);
    function attempt() {
      return request(method, path, body).then(function (r) {
        if (!retryable(r.status)) return r;
        throw new Error("status " + r.status);
      }).catch(function () {
        clearTimeout(slowTimer);
        showNotice(T.offline, true);
        var wait = delay + Math.floor(Math.random() * delay * 0.3);
        delay = Math.min(delay * 2, RETRY_MAX_MS);
        return sleep(wait).then(attempt);
      });
    }
    return attempt().then(function (r) {
      clearTimeout(slowTimer);
      hideNotice();
      return r;
    });
  }

  function messageOf(r) {
    return (r.json && (r.json.error || r.json.message)) || ("HTTP " + r.status);
  }

  // ---- notices and the Yes/No box ---------------------------------------------------------
  function showNotice(text, bad) {
    el.notice.textContent = text;
    el.notice.classList.toggle("bad", !!bad);
    el.notice.hidden = false;
  }
  function hideNotice() { el.notice.hidden = true; }

  // A Yes/No box; Escape gives the answer that changes nothing (escapeAnswer).
  function ask(text, escapeAnswer) {
    return new Promise(function (resolve) {
      var back = document.activeElement;
      el.dialogText.textContent = text;
      el.dialog.hidden = false;
      el.dialogYes.focus();
      dialogEscape = !!escapeAnswer;
      dialogAnswer = function (yes) {
        el.dialog.hidden = true;
        dialogAnswer = null;
        if (back && back.focus) back.focus();
        resolve(yes);
      };
    });
  }
  el.dialogYes.addEventListener("click", function () { if (dialogAnswer) dialogAnswer(true); });
  el.dialogNo.addEventListener("click", function () { if (dialogAnswer) dialogAnswer(false); });
  el.dialog.addEventListener("keydown", function (e) {
    if (e.key === "Escape" && dialogAnswer) { e.preventDefault(); dialogAnswer(dialogEscape); }
  });

  // ---- joining ----------------------------------------------------------------------------
  function showJoin(error) {
    page = null;
    document.title = T.title;
    el.barTitle.textContent = T.title;
    el.counter.textContent = "";
    el.page.hidden = true;
    el.controls.hidden = true;
    el.join.hidden = false;
    el.testsBox.hidden = true;
    setJoinError(error || "");
    el.code.focus();
  }

  function setJoinError(text) {
    el.joinError.textContent = text;
    el.joinError.hidden = !text;
  }

  function setJoinBusy(on) {
    el.codeGo.disabled = on;
    var bs = el.tests.querySelectorAll("button");
    for (var i = 0; i < bs.length; i++) bs[i].disabled = on;
  }

  el.codeForm.addEventListener("submit", function (e) {
    e.preventDefault();
    if (el.codeGo.disabled) return;
    // A code typed with the Japanese input on comes in full-width letters: read it as ASCII.
    var code = el.code.value.normalize ? el.code.value.normalize("NFKC") : el.code.value;
    code = code.replace(/\s+/g, "");
    if (!code) { setJoinError(T.codeEmpty); el.code.focus(); return; }
    setJoinError("");
    setJoinBusy(true);
    persist("GET", "/api/tests?code=" + encodeURIComponent(code)).then(function (r) {
      setJoinBusy(false);
      if (r.status === 403 || r.status === 401) { setJoinError(T.badCode); el.code.select(); return; }
      if (r.status !== 200 || !r.json) { setJoinError(T.refused + messageOf(r)); return; }
      listTests(code, r.json.tests || []);
    });
  });

  function listTests(code, tests) {
    el.tests.textContent = "";
    if (!tests.length) { el.testsBox.hidden = true; setJoinError(T.noTests); return; }
    tests.forEach(function (t) {
      var li = document.createElement("li");
      var b = document.createElement("button");
      b.type = "button";
      b.className = "test";
      b.dataset.test = t.id;
      b.textContent = t.title || t.id;
      b.addEventListener("click", function () { startTest(code, t); });
      li.appendChild(b);
      el.tests.appendChild(li);
    });
    el.testsBox.hidden = false;
    el.tests.querySelector("button").focus();
  }

  function startTest(code, test) {
    setJoinBusy(true);
    setJoinError("");
    persist("POST", "/api/sessions", { code: code, test: test.id }).then(function (r) {
      setJoinBusy(false);
      if (r.status === 403 || r.status === 401) { setJoinError(T.badCode); return; }
      if (r.status !== 200 && r.status !== 201) { setJoinError(T.refused + messageOf(r)); return; }
      if (!r.json || !r.json.session || !r.json.page) { setJoinError(T.refused + messageOf(r)); return; }
      session = { token: r.json.session, code: code, title: test.title || "" };
      save(KEY_SESSION, session);
      save(KEY_PENDING, null);
      showPage(r.json.page);
    });
  }

  // ---- resuming ---------------------------------------------------------------------------
  function resume() {
    var path = "/api/sessions/" + encodeURIComponent(session.token);
    persist("GET", path).then(function (r) {
      if (r.status === 404 || r.status === 403 || r.status === 400) {
        var code = session.code || "";
        session = null;
        forgetSession();
        showJoin(T.lost);
        el.code.value = code;
        return;
      }
      if (r.status !== 200 || !r.json || !r.json.page) { showJoin(T.refused + messageOf(r)); return; }
      var p = r.json.page;
      var pending = load(KEY_PENDING);
      if (pending && pending.token === session.token && pending.body && pending.body.page === p.index) {
        // The page was left but the server never heard of it: send it now.
        page = p;
        renderPage(p);
        send(pending.body);
        return;
      }
      save(KEY_PENDING, null);
      showPage(p);
    });
  }

  function forgetSession() {
    save(KEY_SESSION, null);
    save(KEY_PENDING, null);
  }

  // ---- pages ------------------------------------------------------------------------------
  function showPage(p) {
    page = p;
    renderPage(p);
    afterPaint(function (t) {
      if (page !== p) return;
      shownAt = t;
      if (phrase >= 0) phraseAt = t;
      if (p.lockMs > 0) lockFor(p.lockMs, t);
    });
  }

  function afterPaint(f) {
    requestAnimationFrame(function () { f(performance.now()); });
  }

  function lockFor(ms, from) {
    lockedUntil = from + ms;
    updateForward();
    setTimeout(updateForward, ms + 20);
  }

  function renderPage(p) {
    lastShown = performance.now();
    shownAt = null;
    phrase = -1;
    phraseMs = [];
    lockedUntil = 0;
    el.join.hidden = true;
    el.page.hidden = false;
    el.controls.hidden = false;
    var title = (session && session.title) || T.title;
    el.barTitle.textContent = title;
    document.title = title;
    el.counter.textContent = p.status || (typeof p.count === "number" ? (p.index + 1) + " / " + p.count : "");
    el.sheet.setAttribute("data-kind", p.kind || "");

    el.sheet.insertBefore(el.answers, el.nameBox); // out of the text it may sit in
    el.text.innerHTML = p.html || "";
    el.text.hidden = false;
    el.text.removeAttribute("data-phrase");
    el.text.classList.remove("ph-in");
    el.progress.hidden = true;
    el.answers.hidden = true;
    el.answers.textContent = "";
    el.nameBox.hidden = true;
    el.nameError.hidden = true;
    el.resultBox.hidden = true;
    el.forward.hidden = false;
    el.restart.hidden = false;
    el.restart.textContent = T.startOver;

    var focus = el.forward;
    if (p.kind === "name") {
      el.nameBox.hidden = false;
      el.namePrompt.textContent = p.prompt || T.namePrompt;
      el.name.value = typeof p.name === "string" ? p.name : "";
      focus = el.name;
    } else if (p.kind === "result") {
      // The record as the server laid it out (its bold and coloured figures); its plain text
      // where no layout came.
      el.resultBox.hidden = false;
      el.text.hidden = true;
      if (p.html) el.record.innerHTML = p.html;
      else el.record.textContent = p.record || "";
      el.record.classList.toggle("plain", !p.html);
      el.saved.textContent = p.saved === false ? T.notSaved : p.saved === true ? T.saved : T.finished;
      el.saved.classList.toggle("error", p.saved === false);
      el.forward.hidden = true;
      el.restart.textContent = T.backToStart;
      focus = el.restart;
    } else if (p.phrases && p.phrases.length) {
      var first = typeof p.phrase === "number" ? p.phrase : 0;
      showPhrase(Math.max(0, Math.min(first, p.phrases.length - 1)));
    }
    if (p.questions && p.questions.length && p.kind !== "result") {
      buildQuestions(p.questions);
      adoptRichQuestions(p.questions);
      el.answers.hidden = false;
      var firstInput = el.answers.querySelector("input, textarea");
      if (firstInput) focus = firstInput;
    }
    window.scrollTo(0, 0);
    updateForward();
    if (focus && focus.focus) focus.focus({ preventScroll: true });
  }

  // A page shown phrase by phrase comes as the text on screen after each press: the passage
  // builds up, the phrase being read is underlined and the next one shows faintly; the last
  // state is the whole passage, and the press on it leaves the page.
  function showPhrase(i) {
    phrase = i;
    lastShown = performance.now();
    var count = page.phrases.length;
    el.text.innerHTML = page.phrases[i];
    el.text.setAttribute("data-phrase", String(i));
    el.text.classList.remove("ph-in");
    void el.text.offsetWidth; // restart the fade of the new state
    el.text.classList.add("ph-in");
    el.progress.hidden = count < 2;
    el.progressFill.style.width = ((i + 1) * 100 / count) + "%";
    // Keep the phrase being read above Forward.
    var marks = el.text.querySelectorAll('span[style*="underline"]');
    var cur = marks.length ? marks[marks.length - 1] : null;
    if (cur && i > 0) {
      var r = cur.getBoundingClientRect();
      var bottom = el.controls.getBoundingClientRect().top;
      if (r.bottom > bottom - 8) cur.scrollIntoView({ block: "center" });
    }
  }

  function buildQuestions(qs) {
    qs.forEach(function (q, i) {
      var n = i + 1;
      var name = "q" + n;
      var text = String(q.text || "").trim();
      if (q.kind === "text" || !q.choices || !q.choices.length) {
        var box = document.createElement("div");
        box.className = "question";
        box.setAttribute("data-question", String(n));
        var label = document.createElement("label");
        label.className = "q-text";
        label.htmlFor = name;
        label.textContent = text || ("(" + n + ")");
        var input = document.createElement("input");
        input.type = "text";
        input.id = name;
        input.name = name;
        input.maxLength = 1000;
        input.autocomplete = "off";
        box.appendChild(label);
        box.appendChild(input);
        el.answers.appendChild(box);
        return;
      }
      var fs = document.createElement("fieldset");
      fs.className = "question";
      fs.setAttribute("data-question", String(n));
      var legend = document.createElement("legend");
      legend.textContent = text || ("(" + n + ")");
      fs.appendChild(legend);
      var list = document.createElement("div");
      list.className = "choices";
      q.choices.forEach(function (c, j) {
        var lab = document.createElement("label");
        lab.className = "choice";
        var r = document.createElement("input");
        r.type = "radio";
        r.name = name;
        r.value = String(j + 1);
        var num = document.createElement("span");
        num.className = "c-num";
        num.textContent = (j + 1) + ".";
        var ct = document.createElement("span");
        ct.className = "c-text";
        ct.textContent = String(c).trim();
        lab.appendChild(r);
        lab.appendChild(num);
        lab.appendChild(ct);
        list.appendChild(lab);
      });
      fs.appendChild(list);
      el.answers.appendChild(fs);
    });
  }

  // The page's text holds its questions as the examinee program shows them: each question
  // line, then for each choice a hidden link line ("question choice") and the choice line
  // behind an invisible " * ". Those lines move into the answer panels, which take their place
  // between the text above and below the questions, so each question is shown once and keeps
  // its own faces and colours. A text that does not have that shape is left as it is.
  function adoptRichQuestions(qs) {
    var ps = el.text.querySelectorAll("p");
    if (!ps.length) return;
    var norm = function (t) { return String(t || "").replace(/\s+/g, " ").trim(); };
    var j = 0;
    var used = [];
    var found = [];
    for (var i = 0; i < qs.length; i++) {
      var want = norm(qs[i].text);
      if (!want) return;
      // The first question may follow any text; the others follow blank lines only.
      while (j < ps.length && norm(ps[j].textContent) !== want && (i === 0 || !norm(ps[j].textContent))) j++;
      if (j >= ps.length || norm(ps[j].textContent) !== want) return;
      var entry = { q: ps[j], choices: [] };
      used.push(ps[j++]);
      var choices = qs[i].choices || [];
      for (var c = 0; c < choices.length; c++) {
        if (j < ps.length && /^\d+ \d+$/.test(norm(ps[j].textContent))) used.push(ps[j++]);
        if (j >= ps.length || norm(ps[j].textContent.replace(/^\s*\*/, "")) !== norm(choices[c])) return;
        entry.choices.push(ps[j]);
        used.push(ps[j++]);
      }
      found.push(entry);
      if (j < ps.length && !norm(ps[j].textContent)) used.push(ps[j++]); // the blank line after it
    }
    var boxes = el.answers.querySelectorAll(".question");
    found.forEach(function (entry, n) {
      var box = boxes[n];
      var head = box.querySelector("legend, .q-text");
      if (head) fill(head, entry.q, false);
      var texts = box.querySelectorAll(".c-text");
      entry.choices.forEach(function (cp, k) { if (texts[k]) fill(texts[k], cp, true); });
    });
    used[0].parentNode.insertBefore(el.answers, used[0]);
    used.forEach(function (u) { u.parentNode.removeChild(u); });
  }

  // The runs of a line of the page as the content of a caption, without the line's leading
  // blanks and (for a choice) the invisible mark before it.
  function fill(target, line, choice) {
    var nodes = Array.prototype.slice.call(line.childNodes);
    if (choice && nodes.length && /^\s*\*\s*$/.test(nodes[0].textContent)) nodes.shift();
    target.textContent = "";
    nodes.forEach(function (n) { target.appendChild(n.cloneNode(true)); });
    var walker = document.createTreeWalker(target, NodeFilter.SHOW_TEXT);
    var t;
    while ((t = walker.nextNode())) {
      var v = t.nodeValue.replace(/^\s+/, "");
      t.nodeValue = v;
      if (v) break;
    }
  }

  // One entry per question: the choice number, null, or the typed text.
  function collectAnswers() {
    if (!page.questions) return [];
    return page.questions.map(function (q, i) {
      var name = "q" + (i + 1);
      var checked = el.answers.querySelector('input[name="' + name + '"]:checked');
      if (checked) return parseInt(checked.value, 10);
      var field = el.answers.querySelector('[name="' + name + '"]:not([type="radio"])');
      if (field) return field.value.trim();
      return null;
    });
  }

  function firstUnanswered() {
    var a = collectAnswers();
    for (var i = 0; i < a.length; i++) {
      if (a[i] === null || a[i] === "") return el.answers.querySelector('[name="q' + (i + 1) + '"]');
    }
    return null;
  }

  // ---- Forward ----------------------------------------------------------------------------
  function locked() { return busy || !page || page.kind === "result" || performance.now() < lockedUntil; }

  function updateForward() {
    el.forward.disabled = locked();
    el.forward.setAttribute("aria-busy", busy ? "true" : "false");
  }

  function forward() {
    if (locked() || !el.dialog.hidden) return;
    // The second click of a double click would leave the page or phrase the first one showed.
    var now = performance.now();
    if (now - lastShown < DOUBLE_PRESS_MS) return;
    if (shownAt === null) shownAt = now; // pressed before the first frame: nothing was read

    if (phrase >= 0) {
      phraseMs.push(Math.max(0, Math.round(now - (phraseAt || shownAt))));
      if (phrase + 1 < page.phrases.length) {
        showPhrase(phrase + 1);
        var p = page;
        afterPaint(function (t) { if (page === p) phraseAt = t; });
        return;
      }
    }

    var body = {
      page: page.index,
      ms: Math.max(0, Math.round(now - shownAt)),
      phraseMs: phraseMs.slice(),
      answers: collectAnswers(),
      name: "",
    };
    if (page.kind === "name") {
      var name = el.name.value.trim();
      if (!name || name === NAME_REQUIRED) {
        el.nameError.textContent = T.nameEmpty;
        el.nameError.hidden = false;
        el.name.focus();
        return;
      }
      body.name = name;
    }
    var missing = page.kind === "question" ? firstUnanswered() : null;
    if (missing) {
      busy = true;
      updateForward();
      ask(T.unanswered, true).then(function (back) {
        busy = false;
        updateForward();
        if (back) { missing.focus(); return; }
        body.ms = Math.max(0, Math.round(performance.now() - shownAt));
        body.answers = collectAnswers();
        send(body);
      });
      return;
    }
    send(body);
  }

  function send(body) {
    var token = session.token;
    save(KEY_PENDING, { token: token, body: body });
    busy = true;
    updateForward();
    persist("POST", "/api/sessions/" + encodeURIComponent(token) + "/forward", body).then(function (r) {
      busy = false;
      if (!session || session.token !== token) return; // started over meanwhile
      save(KEY_PENDING, null);
      if (r.status === 200 && r.json && r.json.page) { showPage(r.json.page); return; }
      if (r.status === 404) {
        session = null;
        forgetSession();
        showJoin(T.lost);
        return;
      }
      // Refused (a name or an answer too long, say): stay on the page.
      showNotice(T.refused + messageOf(r), true);
      updateForward();
    });
  }

  el.forward.addEventListener("click", function () { forward(); });

  document.addEventListener("keydown", function (e) {
    if (e.key !== "Enter" || e.repeat || e.isComposing || e.keyCode === 229) return;
    if (!el.dialog.hidden || !page || el.page.hidden) return;
    var t = e.target;
    var tag = t && t.tagName ? t.tagName.toLowerCase() : "";
    if (tag === "textarea" || tag === "button" || tag === "a" || tag === "select") return;
    e.preventDefault();
    forward();
  });

  // A tap on the text of a page without inputs goes forward too.
  el.sheet.addEventListener("click", function (e) {
    if (!page || page.kind === "name" || page.kind === "question" || page.kind === "result") return;
    if (page.questions && page.questions.length) return;
    var t = e.target;
    if (t && t.closest && t.closest("a, button, input, textarea, label, select")) return;
    var sel = window.getSelection ? window.getSelection() : null;
    if (sel && !sel.isCollapsed) return;
    forward();
  });

  el.restart.addEventListener("click", function () {
    var finished = page && page.kind === "result";
    (finished ? Promise.resolve(true) : ask(T.restart, false)).then(function (yes) {
      if (!yes) return;
      var code = session ? session.code : "";
      session = null;
      forgetSession();
      showJoin("");
      el.code.value = code || "";
      el.code.select();
    });
  });

  window.addEventListener("pageshow", function (e) {
    // Back from the browser's page cache: ask the server where the run stands.
    if (e.persisted && session && !busy) resume();
  });

  // ---- start ------------------------------------------------------------------------------
  var params = new URLSearchParams(window.location.search);
  session = load(KEY_SESSION);
  if (session && session.token) {
    resume();
  } else {
    session = null;
    showJoin("");
    var code = params.get("code");
    if (code) {
      el.code.value = code;
      el.codeForm.requestSubmit ? el.codeForm.requestSubmit() : el.codeGo.click();
    }
  }
})();
