// SPDX-License-Identifier: GPL-3.0-or-later
// Finds posts by the words of their text and tags, offline. The index is a
// script (search-index.js) loaded with the first query: pages opened from
// file:// may not fetch files. A query in the address (?q=words) runs at once.
(function () {
  'use strict';

  var MOST_SHOWN = 200;
  var entries = null;
  var loading = false;
  var box, results, content;

  // The index was written with the same word rules: letters and digits of
  // any script. It lower-cased only ASCII and Latin-1 capitals; the browser
  // knows those of every script, for the query and the index alike.
  function wordsOf(text) {
    return text.toLowerCase().split(/[^0-9a-z\u0080-\u009f\u00a1-\u00aa\u00ac-\u00ba\u00bc-\u1fff\u2070-\uffff]+/)
      .filter(function (word) { return word.length > 0; });
  }

  function matches(entry, words) {
    var haystack = ' ' + entry[3];
    for (var i = 0; i < words.length; i++) {
      if (haystack.indexOf(' ' + words[i]) < 0) return false;
    }
    return true;
  }

  function element(name, className, text) {
    var node = document.createElement(name);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function show(query) {
    var words = wordsOf(query);
    if (words.length === 0) {
      results.hidden = true;
      content.hidden = false;
      return;
    }
    results.replaceChildren();
    results.hidden = false;
    content.hidden = true;
    results.appendChild(element('h1', 'list-heading', 'Search'));
    if (entries === null) {
      results.appendChild(element('p', 'list-count', 'Loading the search index\u2026'));
      load();
      return;
    }
    var found = entries.filter(function (entry) { return matches(entry, words); });
    var count = found.length === 1 ? '1 post' : found.length + ' posts';
    var note = count + ' with \u201c' + query.trim() + '\u201d';
    if (found.length > MOST_SHOWN) note += '; the first ' + MOST_SHOWN + ' are shown';
    results.appendChild(element('p', 'list-count', note));
    var list = element('ol', 'entries');
    found.slice(0, MOST_SHOWN).forEach(function (entry) {
      var item = element('li', 'entry');
      var link = element('a', '', entry[1]);
      link.href = entry[0];
      item.appendChild(link);
      item.appendChild(element('span', 'entry-meta', entry[2]));
      list.appendChild(item);
    });
    results.appendChild(list);
  }

  function load() {
    if (loading) return;
    loading = true;
    var script = document.createElement('script');
    script.src = 'assets/search-index.js';
    script.onload = function () {
      entries = window.quillvaultSearch || [];
      entries.forEach(function (entry) { entry[3] = entry[3].toLowerCase(); });
      show(box.value);
    };
    script.onerror = function () {
      results.replaceChildren(element('p', 'list-count', 'The search index could not be loaded.'));
    };
    document.head.appendChild(script);
  }

  function start() {
    box = document.getElementById('search');
    results = document.getElementById('search-results');
    content = document.getElementById('content');
    if (!box || !results || !content) return;
    box.addEventListener('input', function () { show(box.value); });
    box.addEventListener('keydown', function (event) {
      if (event.key === 'Escape') {
        box.value = '';
        show('');
      }
    });
    var query = new URLSearchParams(window.location.search).get('q');
    if (query) {
      box.value = query;
      show(query);
    }
  }

  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', start);
  } else {
    start();
  }
}());
